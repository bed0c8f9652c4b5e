#pragma once

// Stand-in handles for the tests that put recording functions in place of
// WinHTTP's and WinINet's: every handle is a fresh value, every close marks
// it closed, and a call that reaches a closed value is written down, since on
// Windows that value may by then name another exchange's request. One read
// may be made to wait until its handle is closed and then report bytes, as a
// byte that arrives just after an abort lets Wine's read end successfully.

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

namespace qorvex::test {

// HINTERNET, as WinHTTP and WinINet both declare it.
using InternetHandle = void*;

// What the stand-in of every call but a read answers: success, or failure
// with ERROR_INVALID_HANDLE when the handle is null or closed.
BOOL answer(InternetHandle handle, const char* call);

// The stand-in of a read: the held read reports four bytes once its handle
// is closed; any other read finds the body's end.
BOOL recorded_read(InternetHandle handle, const char* call, void* buffer, DWORD wanted,
                   DWORD* bytes_read);

// The stand-in of WinHttpCloseHandle and InternetCloseHandle alike.
BOOL WINAPI close_handle(InternetHandle handle);

struct AbortRow {
    const char* label;
    bool by_stop;  // else by the exchange's deadline of 400 ms
};
inline const std::vector<AbortRow> kAbortRows = {{"stop requested", true},
                                                 {"deadline passed", false}};

// Runs `exchange` (true when its reply is empty) on a thread of its own until
// its read is held, ends it as `row` says through `stop`, and expects it to
// end at once with an empty reply.
void expect_empty_after_abort(const AbortRow& row, std::stop_source& stop,
                              const std::function<bool()>& exchange);

// Once the exchange's objects are gone: no call reached a closed handle, and
// every handle was closed once.
void expect_no_call_on_closed_handles(const AbortRow& row);

class HandleLedger {
public:
    // The ledger the stand-in functions write to; start_case() before each
    // case empties it and holds its next read.
    static HandleLedger& current();
    void start_case();

    InternetHandle open();
    // False when the handle was not open (closed twice, or never made).
    bool close(InternetHandle handle);
    // Notes a call by name; false when it reached a closed handle. A null
    // handle is no handle and is not noted.
    bool use(InternetHandle handle, const char* call);

    // True when this read is the held one: it returns once its handle is closed.
    bool wait_if_held(InternetHandle handle);
    // Waits until a read is held (true) or a second has passed (false).
    bool wait_for_held_read();

    std::vector<std::string> calls_on_closed_handles() const;
    std::size_t open_count() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::set<InternetHandle> m_open;
    std::vector<std::string> m_calls_on_closed;
    std::uintptr_t m_next = 0x1000;
    bool m_hold_read = false;
    bool m_read_held = false;
};

}  // namespace qorvex::test
