# The Windows packages: an NSIS installer (makensis runs on Linux too) and a
# portable zip, each holding the programs at the top of their folder and the
# README as text. The programs link statically; scripts/wine-imports checks
# that they need no DLL beyond those Windows ships.
install(TARGETS ${qorvex_installed_programs} RUNTIME DESTINATION .)

# Notepad reads UTF-8 without a byte order mark; CRLF keeps older ones happy.
configure_file(${PROJECT_SOURCE_DIR}/README.md ${PROJECT_BINARY_DIR}/packaging/README.txt
  @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/packaging/README.txt DESTINATION .)

set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_PACKAGE_FILE_NAME qorvex-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Qorvex)
set(CPACK_PACKAGE_EXECUTABLES qorvex Qorvex)

set(CPACK_NSIS_PACKAGE_NAME Qorvex)
set(CPACK_NSIS_DISPLAY_NAME "Qorvex ${PROJECT_VERSION}")
# A 64-bit installer for the 64-bit program: it writes the registry's native
# view, and runs where only 64-bit programs do (Wine without its 32-bit half).
set(CPACK_NSIS_DEFINES "  Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME qorvex.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/packaging/qorvex.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/packaging/qorvex.ico)
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# The uninstaller deletes the product's key under the vendor's, but leaves
# the vendor's own key, which the installer made too. These commands run
# first; the start-menu folder has been read from the uninstall entry by then.
set(qorvex_vendor_key "Software\\${CPACK_PACKAGE_VENDOR}")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
  "DeleteRegKey SHCTX \"${qorvex_vendor_key}\\${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}\"
  DeleteRegKey /ifempty SHCTX \"${qorvex_vendor_key}\"")
