# Windows resources of a program: the application icon, a version resource
# with the project's version (what Explorer shows in the file's properties)
# and, optionally, a manifest.
#
#   qorvex_windows_resources(<target> DESCRIPTION <text> [MANIFEST])
#
# MANIFEST adds the window program's manifest, which asks for version 6 of
# the common controls so that the standard controls take the system's style.
function(qorvex_windows_resources target)
  cmake_parse_arguments(ARG "MANIFEST" "DESCRIPTION" "" ${ARGN})
  set(generated ${PROJECT_BINARY_DIR}/generated/resources)
  set(QORVEX_ICON_FILE ${PROJECT_SOURCE_DIR}/packaging/qorvex.ico)
  set(QORVEX_RC_NAME ${target})
  set(QORVEX_RC_DESCRIPTION ${ARG_DESCRIPTION})
  set(QORVEX_RC_MANIFEST "")
  if(ARG_MANIFEST)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/qorvex.manifest.in
      ${generated}/${target}.manifest @ONLY)
    set(QORVEX_RC_MANIFEST
      "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${generated}/${target}.manifest\"")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in
    ${generated}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${generated}/${target}.rc)
  # windres reads the icon and manifest by name; a change to them rebuilds.
  set_source_files_properties(${generated}/${target}.rc TARGET_DIRECTORY ${target}
    PROPERTIES OBJECT_DEPENDS "${QORVEX_ICON_FILE}")
endfunction()
