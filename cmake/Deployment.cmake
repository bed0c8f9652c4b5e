# Deployment values are fixed when the program is built; the program itself
# reads no command line, environment or configuration file. The defaults point
# at the bundled stand-in service on loopback so that the program works offline.
set(QORVEX_CARRIER_HOST "127.0.0.1:8443" CACHE STRING
  "Host (and optional port) of the carrier's number-selection service")
set(QORVEX_DOWNLOAD_HOST "127.0.0.1:8443" CACHE STRING
  "Host of the version file; empty disables the update check")
set(QORVEX_RELEASE_HOST "127.0.0.1:8443" CACHE STRING
  "Host of the release page opened by the update notice")
set(QORVEX_CA_FILE "${CMAKE_BINARY_DIR}/pool-sim/ca.pem" CACHE STRING
  "Extra CA certificate file the update fetch trusts; empty uses the system store only")

configure_file(${CMAKE_SOURCE_DIR}/src/app/deployment.h.in
  ${CMAKE_BINARY_DIR}/generated/qorvex/deployment.h @ONLY)
