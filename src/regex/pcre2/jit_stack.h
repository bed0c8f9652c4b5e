#pragma once

// The machine-code stack of the calling thread. PCRE2 lets one stack serve
// every pattern matched one after another on a thread, so each thread keeps
// one, made on its first search and freed when the thread ends.

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstddef>

namespace qorvex::rx {

// nullptr when the stack cannot be made; PCRE2 then uses its small default.
pcre2_jit_stack* thread_jit_stack(std::size_t max_bytes);

}  // namespace qorvex::rx
