#include "win32/handle_ledger.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>

namespace qorvex::test {

HandleLedger& HandleLedger::current() {
    static HandleLedger ledger;
    return ledger;
}

void HandleLedger::start_case() {
    std::lock_guard lock(m_mutex);
    m_open.clear();
    m_calls_on_closed.clear();
    m_hold_read = true;
    m_read_held = false;
}

InternetHandle HandleLedger::open() {
    std::lock_guard lock(m_mutex);
    m_next += 4;
    auto* handle = reinterpret_cast<InternetHandle>(m_next);
    m_open.insert(handle);
    return handle;
}

bool HandleLedger::close(InternetHandle handle) {
    {
        std::lock_guard lock(m_mutex);
        if (m_open.erase(handle) == 0) {
            m_calls_on_closed.emplace_back("close");
            return false;
        }
    }
    m_changed.notify_all();
    return true;
}

bool HandleLedger::use(InternetHandle handle, const char* call) {
    std::lock_guard lock(m_mutex);
    if (handle != nullptr && !m_open.contains(handle)) {
        m_calls_on_closed.emplace_back(call);
        return false;
    }
    return true;
}

bool HandleLedger::wait_if_held(InternetHandle handle) {
    std::unique_lock lock(m_mutex);
    if (!m_hold_read) {
        return false;
    }
    m_hold_read = false;
    m_read_held = true;
    m_changed.notify_all();
    m_changed.wait(lock, [&]() { return !m_open.contains(handle); });
    return true;
}

bool HandleLedger::wait_for_held_read() {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::seconds(1), [&]() { return m_read_held; });
}

std::vector<std::string> HandleLedger::calls_on_closed_handles() const {
    std::lock_guard lock(m_mutex);
    return m_calls_on_closed;
}

std::size_t HandleLedger::open_count() const {
    std::lock_guard lock(m_mutex);
    return m_open.size();
}

BOOL answer(InternetHandle handle, const char* call) {
    if (!HandleLedger::current().use(handle, call) || handle == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL recorded_read(InternetHandle handle, const char* call, void* buffer, DWORD wanted,
                   DWORD* bytes_read) {
    *bytes_read = 0;
    if (!answer(handle, call)) {
        return FALSE;
    }
    if (HandleLedger::current().wait_if_held(handle) && wanted >= 4) {
        std::memcpy(buffer, "late", 4);
        *bytes_read = 4;
    }
    return TRUE;
}

BOOL WINAPI close_handle(InternetHandle handle) {
    return HandleLedger::current().close(handle) ? TRUE : FALSE;
}

void expect_empty_after_abort(const AbortRow& row, std::stop_source& stop,
                              const std::function<bool()>& exchange) {
    auto ended = std::async(std::launch::async, exchange);
    ASSERT_TRUE(HandleLedger::current().wait_for_held_read()) << row.label;
    if (row.by_stop) {
        stop.request_stop();
    }
    ASSERT_EQ(ended.wait_for(std::chrono::seconds(2)), std::future_status::ready) << row.label;
    EXPECT_TRUE(ended.get()) << row.label;
}

void expect_no_call_on_closed_handles(const AbortRow& row) {
    EXPECT_EQ(HandleLedger::current().calls_on_closed_handles(), std::vector<std::string>{})
        << row.label;
    EXPECT_EQ(HandleLedger::current().open_count(), 0U) << row.label;
}

}  // namespace qorvex::test
