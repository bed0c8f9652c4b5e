# The Debian package: the programs in /usr/bin, a desktop entry and icon for
# the application menu, the README, copyright and changelog, manual pages, and
# the stand-in service as an optional helper (qorvex-pool-sim) so that the
# program can be tried offline. Configure with CMAKE_INSTALL_PREFIX=/usr, as
# the package preset does.
set(QORVEX_MAINTAINER "Qorvex developers <maintainers@users.noreply.c-seed-ab4d2731.example>")
set(QORVEX_DEBIAN_VERSION ${PROJECT_VERSION}-1)
set(QORVEX_STATE_DIR ${CMAKE_INSTALL_FULL_LOCALSTATEDIR}/lib/qorvex)
set(QORVEX_POOL_SIM_STATE_DIR ${QORVEX_STATE_DIR}/pool-sim)
set(QORVEX_POOL_SIM_DIR ${CMAKE_INSTALL_FULL_DATADIR}/qorvex/pool-sim)
set(debian ${PROJECT_SOURCE_DIR}/packaging/debian)
set(staged ${PROJECT_BINARY_DIR}/packaging)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/qorvex)

install(TARGETS ${qorvex_installed_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${debian}/qorvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/qorvex.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${debian}/copyright DESTINATION ${doc_dir})

# The stand-in service and the wrapper that starts it with the machine's
# certificate, which the package's configure step makes.
install(FILES ${PROJECT_SOURCE_DIR}/tools/pool-sim/pool_sim.py
  ${PROJECT_SOURCE_DIR}/tools/pool-sim/README.md DESTINATION ${QORVEX_POOL_SIM_DIR})
configure_file(${debian}/qorvex-pool-sim.in ${staged}/qorvex-pool-sim @ONLY)
install(PROGRAMS ${staged}/qorvex-pool-sim DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(script postinst postrm)
  configure_file(${debian}/${script}.in ${staged}/${script} @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
endforeach()

# Debian keeps its changelog and manual pages compressed, without time stamps.
function(qorvex_gzip_file source output)
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${output} COMMAND_ERROR_IS_FATAL ANY)
endfunction()
configure_file(${debian}/changelog.in ${staged}/changelog @ONLY)
qorvex_gzip_file(${staged}/changelog ${staged}/changelog.Debian.gz)
install(FILES ${staged}/changelog.Debian.gz DESTINATION ${doc_dir})
foreach(program ${qorvex_installed_programs} qorvex-pool-sim)
  configure_file(${debian}/${program}.1 ${staged}/${program}.1 @ONLY)
  qorvex_gzip_file(${staged}/${program}.1 ${staged}/${program}.1.gz)
  install(FILES ${staged}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QORVEX_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
Pick a card offer, a province and a city and press start: every few seconds a
scan cycle asks the carrier's number-selection service for free numbers, lists
every number it finds and sorts it into fourteen lucky-number pattern classes
plus one pattern of your own.
.
qorvex-pool-sim starts a local stand-in of the service, so that the program
can be tried offline; it needs python3 and openssl.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs Qt's platform plugins (only recommended by Qt's own
# packages) and reads best with a Chinese face.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3, openssl, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${staged}/postinst ${staged}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})

if(NOT QORVEX_CA_FILE STREQUAL "" AND NOT QORVEX_CA_FILE STREQUAL "${QORVEX_POOL_SIM_STATE_DIR}/ca.pem")
  message(WARNING "QORVEX_CA_FILE is ${QORVEX_CA_FILE}: a package of this build trusts a file that "
    "an installed system may not have; the package preset trusts the installed stand-in's "
    "${QORVEX_POOL_SIM_STATE_DIR}/ca.pem")
endif()
