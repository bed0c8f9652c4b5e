#pragma once

// A handle that two threads may hold: the one that works with it, and one
// that closes it to make a call waiting on it fail (the way the platform's
// HTTP libraries let a blocking request be ended). It is closed exactly
// once, by whichever thread comes first; afterwards get() gives null, so
// the working thread's next call fails instead of reaching a handle that the
// library may since have handed out again.

#include <atomic>

namespace qorvex::win32 {

template <typename Handle, auto close_handle>
class SharedHandle {
public:
    explicit SharedHandle(Handle handle = nullptr) : m_handle(handle) {}
    ~SharedHandle() { close(); }
    SharedHandle(const SharedHandle&) = delete;
    SharedHandle& operator=(const SharedHandle&) = delete;

    Handle get() const { return m_handle.load(); }
    explicit operator bool() const { return get() != nullptr; }

    // Hands the handle over without closing it.
    Handle release() { return m_handle.exchange(nullptr); }

    // Thread-safe.
    void close() {
        if (Handle handle = m_handle.exchange(nullptr); handle != nullptr) {
            close_handle(handle);
        }
    }

private:
    std::atomic<Handle> m_handle;
};

}  // namespace qorvex::win32
