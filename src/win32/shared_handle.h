#pragma once

// A handle that two threads may hold: the one that works with it, and one
// that closes it to make a call waiting on it fail (the way the platform's
// HTTP libraries let a blocking request be ended). It is closed exactly
// once, by whichever thread comes first; afterwards get() gives null, so
// the working thread's next call fails instead of reaching a handle that the
// library may since have handed out again.
//
// FIXME: a call that read the handle just before another thread closed it
// still enters the library with the closed value; only the libraries'
// asynchronous mode, where nothing waits inside a call, closes that window.

#include <atomic>

namespace qorvex::win32 {

template <typename Handle, typename Close>
class SharedHandle {
public:
    SharedHandle(Handle handle, Close close_handle) : m_handle(handle), m_close(close_handle) {}
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
            m_close(handle);
        }
    }

private:
    std::atomic<Handle> m_handle;
    const Close m_close;
};

}  // namespace qorvex::win32
