#include "regex/pcre2/jit_stack.h"

#include <algorithm>

namespace qorvex::rx {

namespace {

// The stack starts small and grows on demand up to its maximum.
constexpr std::size_t kJitStackStartBytes = std::size_t{32} * 1024;

class ThreadJitStack {
public:
    ThreadJitStack() = default;
    ThreadJitStack(const ThreadJitStack&) = delete;
    ThreadJitStack& operator=(const ThreadJitStack&) = delete;
    ~ThreadJitStack() { pcre2_jit_stack_free(m_stack); }

    pcre2_jit_stack* get(std::size_t max_bytes) {
        if (m_stack == nullptr || m_max_bytes != max_bytes) {
            pcre2_jit_stack_free(m_stack);
            m_stack = pcre2_jit_stack_create(std::min(kJitStackStartBytes, max_bytes), max_bytes,
                                             nullptr);
            m_max_bytes = max_bytes;
        }
        return m_stack;
    }

private:
    pcre2_jit_stack* m_stack = nullptr;
    std::size_t m_max_bytes = 0;
};

}  // namespace

pcre2_jit_stack* thread_jit_stack(std::size_t max_bytes) {
    thread_local ThreadJitStack stack;
    return stack.get(max_bytes);
}

}  // namespace qorvex::rx
