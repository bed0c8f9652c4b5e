#pragma once

// The processor time of a search thread, read by the thread that waits for
// it: VBScript.RegExp runs a search in one call that cannot be looked into,
// so the waiting thread measures the searching one from outside.

#include <chrono>
#include <functional>

namespace qorvex::rx {

// The processor time (user and kernel) a thread has used, by its handle.
using ThreadProcessorClock = std::function<std::chrono::nanoseconds(void* thread)>;

// GetThreadTimes; the wall clock when the times cannot be read.
std::chrono::nanoseconds thread_processor_time(void* thread);

// A handle on the calling thread that other threads may read the times of.
class OwnThreadHandle {
public:
    OwnThreadHandle();
    ~OwnThreadHandle();
    OwnThreadHandle(const OwnThreadHandle&) = delete;
    OwnThreadHandle& operator=(const OwnThreadHandle&) = delete;

    void* get() const { return m_handle; }

private:
    void* m_handle = nullptr;
};

}  // namespace qorvex::rx
