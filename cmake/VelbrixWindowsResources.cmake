# velbrix_windows_resources(TARGET FILE_NAME DESCRIPTION) gives the Windows program TARGET its
# version resource (product "Velbrix", the project's version, DESCRIPTION, FILE_NAME as the
# original file name) and its manifest: it runs as the user who starts it, names the Windows
# versions it supports and handles the screen's dpi itself (window/win32 maps twips by the dpi of
# the monitor it is on).
function(velbrix_windows_resources target file_name description)
  set(VELBRIX_RC_NAME ${target})
  set(VELBRIX_RC_FILE_NAME ${file_name})
  set(VELBRIX_RC_DESCRIPTION ${description})
  set(VELBRIX_RC_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/program.manifest.in ${VELBRIX_RC_MANIFEST}
                 @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/program.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc APPEND PROPERTY
               OBJECT_DEPENDS ${VELBRIX_RC_MANIFEST})
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()
