# One mail client's part: the library that composes the message through the
# client, and on Windows the program that hands a mail file to it.
#   qz_add_client_program(<library> <composer source> <program>)
# The program's entry point is <program in lower case>.cpp.
if(WIN32)
  include(${PROJECT_SOURCE_DIR}/shell/win32/resources/ProgramResources.cmake)
endif()

function(qz_add_client_program library composer program)
  add_library(${library} STATIC ${composer})
  target_link_libraries(${library} PUBLIC qz_mailfile qz_platform)
  if(WIN32)
    string(TOLOWER ${program} entry)
    add_executable(${program} WIN32 ${entry}.cpp)
    target_link_libraries(${program} PRIVATE qz_shell_win32 ${library})
    qz_add_program_resources(${program})
  endif()
endfunction()
