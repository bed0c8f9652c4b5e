# Every first-party target calls qorvex_warnings() so that the whole tree
# builds with the same diagnostics; CI turns them into errors.
add_library(qorvex_warnings INTERFACE)
target_compile_options(qorvex_warnings INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion
    -Wnull-dereference -Wimplicit-fallthrough>
  # GCC 12 reports overlapping copies inside std::string concatenation at -O3
  # that cannot happen (a known false positive of -Wrestrict in that release).
  # Its -Wmaybe-uninitialized likewise misfires on aggregates with string
  # members built from designated initialisers (the form tables).
  $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict -Wno-maybe-uninitialized>
  $<$<BOOL:${QORVEX_WARNINGS_AS_ERRORS}>:-Werror>)

function(qorvex_warnings target)
  target_link_libraries(${target} PRIVATE qorvex_warnings)
endfunction()
