# Cross-compiles the native Windows program with Debian's MinGW-w64 compiler
# (the posix-threads variant, which std::thread and std::mutex need) and runs
# the Windows test binaries under Wine through scripts/wine-run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(qorvex_triple x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${qorvex_triple}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${qorvex_triple}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${qorvex_triple}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${qorvex_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC 12 reports false -Wrestrict overlaps inside std::string when it inlines
# at -O2 and above (GCC bug 105329); the optimised Windows build turns that
# one diagnostic off rather than failing on library code.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# A self-contained program: the C and C++ run-times and winpthreads are linked
# in, so the executable needs no DLL beyond those of Windows itself.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

get_filename_component(qorvex_source_dir "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${qorvex_source_dir}/scripts/wine-run")
