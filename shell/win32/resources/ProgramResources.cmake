# The resources of a program: the envelope icon, built from its pixel map,
# the version resource and the application manifest.
#   qz_add_program_resources(<program target>)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(QZ_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(qz_add_program_resources target)
  set(QZ_PROGRAM_NAME ${target})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  set(QZ_ICON_FILE ${output}/envelope.ico)
  set(QZ_MANIFEST_FILE ${output}/${target}.manifest)
  add_custom_command(
    OUTPUT ${QZ_ICON_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output}
    COMMAND Python3::Interpreter ${QZ_RESOURCE_DIR}/make_icon.py ${QZ_RESOURCE_DIR}/envelope.txt ${QZ_ICON_FILE}
    DEPENDS ${QZ_RESOURCE_DIR}/make_icon.py ${QZ_RESOURCE_DIR}/envelope.txt
    COMMENT "Drawing the envelope icon for ${target}"
    VERBATIM)
  configure_file(${QZ_RESOURCE_DIR}/program.manifest.in ${QZ_MANIFEST_FILE} @ONLY)
  configure_file(${QZ_RESOURCE_DIR}/program.rc.in ${output}/${target}.rc @ONLY)
  set_source_files_properties(${output}/${target}.rc PROPERTIES OBJECT_DEPENDS "${QZ_ICON_FILE};${QZ_MANIFEST_FILE}")
  target_sources(${target} PRIVATE ${output}/${target}.rc ${QZ_ICON_FILE})
endfunction()
