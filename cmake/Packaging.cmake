# What a user installs, and the packages CPack makes of it (scripts/package):
# a Debian package from a Linux build, an NSIS installer and a portable zip
# from the windows preset. Included after the programs' targets exist; the
# console hunter is installed when it is built.
include(GNUInstallDirs)

set(qorvex_installed_programs "")
foreach(program qorvex qorvex-hunt)
  if(TARGET ${program})
    list(APPEND qorvex_installed_programs ${program})
  endif()
endforeach()
if(NOT qorvex_installed_programs)
  return()
endif()

# Packaging builds only what it installs, not the tests and benchmarks of the
# same build directory: scripts/package builds this target, then runs CPack.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
add_custom_target(qorvex_installed_programs)
add_dependencies(qorvex_installed_programs ${qorvex_installed_programs})

# Values reach CPack as written here, quotes and backslashes included.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME qorvex)
set(CPACK_PACKAGE_VENDOR "Qorvex developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "hunts for attractive phone numbers in a carrier's pool of free numbers")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Qorvex)
set(CPACK_STRIP_FILES ON)

if(QORVEX_PLATFORM STREQUAL "windows")
  include(${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cmake)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/PackagingDebian.cmake)
endif()

include(CPack)
