# Cross-compiling for Windows with mingw-w64. Included by the toolchain file
# of one target, which first sets CMAKE_SYSTEM_PROCESSOR: the tools are those
# of the triple PROCESSOR-w64-mingw32.
set(CMAKE_SYSTEM_NAME Windows)
set(qz_triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${qz_triple}-gcc)
set(CMAKE_CXX_COMPILER ${qz_triple}-g++)
set(CMAKE_RC_COMPILER ${qz_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${qz_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
