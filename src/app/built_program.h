#pragma once

// The program as it is built: the platform's regex engine and HTTP paths,
// the machine's clock and the deployment values fixed at build time, run on
// the runtime the caller made. The programs' main functions and the start-up
// timings share it, so that what is timed is what ships.

namespace qorvex::runtime {
class Runtime;
}

namespace qorvex::app {

// Returns the program's exit code. The caller links the platform's services
// (the qorvex_platform target).
int run_built_program(runtime::Runtime& runtime);

}  // namespace qorvex::app
