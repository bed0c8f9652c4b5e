#pragma once

// The regex engine on PCRE2: 8-bit code units, UTF-8 mode, and machine code
// (JIT) wherever the library offers it. Compile options and a search loop of
// our own make PCRE2 keep the ECMAScript rules that regex_engine.h promises.
//
// Every search is bounded, so that a user's pattern that backtracks without
// end can hold up neither the window nor a scan: PCRE2's match and depth
// limits bound the work from one starting position, and a time budget bounds
// the whole search, which may try every position of a long subject.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "regex/regex_engine.h"

namespace qorvex::rx {

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
    // A whole pass over a 200-number reply takes well under a millisecond; a
    // search still running after this long is given up.
    static constexpr std::chrono::milliseconds kDefaultScanBudget{100};

    // False runs every search in the interpreter.
    bool use_jit = true;
    // The largest machine-code stack a thread may use; a search that runs out
    // of it is run again by the interpreter.
    std::size_t jit_stack_bytes = kDefaultJitStackBytes;
    std::uint32_t match_limit = kDefaultMatchLimit;
    std::uint32_t depth_limit = kDefaultDepthLimit;
    std::chrono::milliseconds scan_budget = kDefaultScanBudget;
};

// Whether this PCRE2 library can compile patterns to machine code here.
bool pcre2_jit_available();

std::unique_ptr<RegexEngine> make_pcre2_engine(Pcre2Settings settings = {});

}  // namespace qorvex::rx
