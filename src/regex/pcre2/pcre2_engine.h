#pragma once

// The regex engine on PCRE2: 8-bit code units, UTF-8 mode, and machine code
// (JIT) wherever the library offers it. Compile options and a search loop of
// our own make PCRE2 keep the ECMAScript rules that regex_engine.h promises.
//
// Every search is bounded, so that a user's pattern that backtracks without
// end can hold up neither the window nor a scan: PCRE2's match and depth
// limits bound the work from one starting position, so the work of a whole
// search grows with the subject alone. A user's pattern may still take long
// over a long subject, so its searches are also bounded by the processor time
// of the searching thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "regex/processor_budget.h"
#include "regex/regex_engine.h"

namespace qorvex::rx {

// The processor time the calling thread has used.
std::chrono::nanoseconds calling_thread_processor_time();

struct Pcre2Settings {
    // The program's own patterns need at most a few hundred steps from any
    // position of an eleven-digit line; a pattern that needs a hundred
    // thousand is running away. One starting position then costs about 1 ms
    // in the interpreter and 0.2 ms in machine code.
    static constexpr std::uint32_t kDefaultMatchLimit = 100'000;
    // Nested backtracking depth of the interpreter; the program's patterns
    // stay below a hundred.
    static constexpr std::uint32_t kDefaultDepthLimit = 10'000;
    // PCRE2 suggests 512 KiB to 1 MiB for any pattern.
    static constexpr std::size_t kDefaultJitStackBytes = std::size_t{1024} * 1024;
    // A whole pass over a 200-number reply takes well under a millisecond of
    // processor time; a user's pattern that has taken this much is given up.
    static constexpr std::chrono::milliseconds kDefaultProcessorBudget{100};

    // False runs every search in the interpreter.
    bool use_jit = true;
    // The largest machine-code stack a thread may use; a search that runs out
    // of it is run again by the interpreter.
    std::size_t jit_stack_bytes = kDefaultJitStackBytes;
    std::uint32_t match_limit = kDefaultMatchLimit;
    std::uint32_t depth_limit = kDefaultDepthLimit;
    std::chrono::milliseconds processor_budget = kDefaultProcessorBudget;
    // The clocks that measure it; tests put in clocks that jump.
    ClockReading wall_clock = steady_time;
    ClockReading processor_clock = calling_thread_processor_time;
};

// Whether this PCRE2 library can compile patterns to machine code here.
bool pcre2_jit_available();

std::unique_ptr<RegexEngine> make_pcre2_engine(Pcre2Settings settings = {});

}  // namespace qorvex::rx
