# Packages from the npm registry for the page of `qorvex-hunt serve` and its
# browser tests, installed at build time into the build folder.
find_program(QORVEX_NPM npm)
if(NOT QORVEX_NPM)
  message(FATAL_ERROR "npm was not found: qorvex-hunt's page bundles its chart library and its "
    "browser tests drive Chromium with packages from the npm registry, installed at build time. "
    "Run scripts/setup (Debian packages nodejs and npm).")
endif()

# Installs exactly what SOURCE_DIR's package-lock.json names into
# DESTINATION/node_modules (npm ci, from npm's cache when it holds the
# package, so a rebuild needs no network); OUTPUTS are files that the install
# brings, for rules that depend on them. No package may download anything
# more at install time (a browser build of its own, say).
function(qorvex_npm_ci)
  cmake_parse_arguments(ARG "" "SOURCE_DIR;DESTINATION" "OUTPUTS" ${ARGN})
  add_custom_command(
    OUTPUT ${ARG_OUTPUTS}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ARG_DESTINATION}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ARG_SOURCE_DIR}/package.json
      ${ARG_SOURCE_DIR}/package-lock.json ${ARG_DESTINATION}
    COMMAND ${CMAKE_COMMAND} -E env PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
      ${QORVEX_NPM} ci --prefer-offline --no-audit --no-fund --loglevel=error
    COMMAND ${CMAKE_COMMAND} -E touch ${ARG_OUTPUTS}
    WORKING_DIRECTORY ${ARG_DESTINATION}
    DEPENDS ${ARG_SOURCE_DIR}/package.json ${ARG_SOURCE_DIR}/package-lock.json
    COMMENT "npm ci in ${ARG_DESTINATION}"
    VERBATIM)
endfunction()
