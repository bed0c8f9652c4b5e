#include "hunt/sqlite/sqlite_connection.h"

#include <sqlite3.h>

#include <filesystem>
#include <limits>

namespace qorvex::hunt::sqlite {

namespace {

using Kind = StoreError::Kind;

Kind kind_of(int code) {
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return Kind::Busy;
        case SQLITE_FULL:
            return Kind::Full;
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return Kind::ReadOnly;
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return Kind::NotAStore;
        default:
            return Kind::Other;
    }
}

std::string explain(Kind kind, std::chrono::milliseconds busy_wait) {
    switch (kind) {
        case Kind::Busy:
            return "the file is locked by another program (waited " +
                   std::to_string(busy_wait.count()) + " ms)";
        case Kind::Full:
            return "the disk or the history's size limit is full";
        case Kind::ReadOnly:
            return "the file cannot be written";
        case Kind::NotAStore:
            return "the file is not a hunt history or is damaged";
        default:
            return {};
    }
}

// A file: URI for the path with the immutable parameter; every byte that
// could end the path or start a parameter is escaped.
std::string immutable_uri(const std::string& path) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    // An absolute path, so that nothing in it is taken for the URI's host.
    std::string uri = "file://";
    for (const char c : std::filesystem::absolute(path).string()) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == '?' || c == '#' || byte < 0x20 || byte >= 0x7f) {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xf];
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

}  // namespace

Statement::Statement(Connection& connection, std::string_view sql) : m_connection(connection) {
    const int code =
        sqlite3_prepare_v3(connection.handle(), sql.data(), static_cast<int>(sql.size()),
                           SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
    if (code != SQLITE_OK) {
        connection.fail(code, "preparing a statement");
    }
}

Statement::~Statement() {
    sqlite3_finalize(m_statement);
}

Statement& Statement::bind(int index, std::int64_t value) {
    const int code = sqlite3_bind_int64(m_statement, index, value);
    if (code != SQLITE_OK) {
        m_connection.fail(code, "binding a value");
    }
    return *this;
}

Statement& Statement::bind(int index, std::string_view value) {
    const int code = sqlite3_bind_text64(m_statement, index, value.data(), value.size(),
                                         SQLITE_TRANSIENT, SQLITE_UTF8);
    if (code != SQLITE_OK) {
        m_connection.fail(code, "binding a value");
    }
    return *this;
}

Statement& Statement::bind_null(int index) {
    const int code = sqlite3_bind_null(m_statement, index);
    if (code != SQLITE_OK) {
        m_connection.fail(code, "binding a value");
    }
    return *this;
}

bool Statement::step() {
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code == SQLITE_DONE) {
        return false;
    }
    sqlite3_reset(m_statement);
    m_connection.fail(code, "running a statement");
}

void Statement::run() {
    while (step()) {
    }
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

std::string Statement::text(int column) const {
    const auto* bytes = sqlite3_column_text(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    if (bytes == nullptr) {
        return {};
    }
    return {reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size)};
}

bool Statement::is_null(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

void Statement::reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

Connection::Connection(const std::string& path, Create create, Access access) : m_path(path) {
    int flags = SQLITE_OPEN_NOMUTEX;
    std::string name = path;
    if (access == Access::ReadWrite) {
        flags |= SQLITE_OPEN_READWRITE;
        if (create == Create::IfMissing) {
            flags |= SQLITE_OPEN_CREATE;
        }
    } else {
        flags |= SQLITE_OPEN_READONLY;
    }
    if (access == Access::Immutable) {
        flags |= SQLITE_OPEN_URI;
        name = immutable_uri(path);
    }
    const int code = sqlite3_open_v2(name.c_str(), &m_db, flags, nullptr);
    if (code != SQLITE_OK) {
        const std::string message = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw StoreError(kind_of(code), path + ": cannot open the history: " + message);
    }
    sqlite3_extended_result_codes(m_db, 1);
}

Connection::~Connection() {
    sqlite3_close_v2(m_db);
}

void Connection::set_busy_wait(std::chrono::milliseconds wait) {
    m_busy_wait = wait;
    const auto capped = std::min<std::int64_t>(wait.count(), std::numeric_limits<int>::max());
    sqlite3_busy_timeout(m_db, static_cast<int>(capped));
}

void Connection::exec(std::string_view sql) {
    const int code = sqlite3_exec(m_db, std::string(sql).c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        fail(code, "changing the history");
    }
}

std::int64_t Connection::query_integer(std::string_view sql) {
    Statement statement(*this, sql);
    return statement.step() ? statement.integer(0) : 0;
}

std::string Connection::query_text(std::string_view sql) {
    Statement statement(*this, sql);
    return statement.step() ? statement.text(0) : std::string();
}

std::int64_t Connection::changes() const {
    return sqlite3_changes64(m_db);
}

bool Connection::in_transaction() const {
    return sqlite3_get_autocommit(m_db) == 0;
}

void Connection::fail(int code, std::string_view doing) const {
    const Kind kind = kind_of(code);
    std::string message = m_path + ": " + std::string(doing) + " failed: ";
    const std::string reason = explain(kind, m_busy_wait);
    message += reason.empty() ? std::string(sqlite3_errmsg(m_db)) : reason;
    throw StoreError(kind, message);
}

Transaction::Transaction(Connection& connection) : m_connection(connection) {
    m_connection.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    // A failed statement may have ended the transaction already (SQLite rolls
    // back by itself after a full disk, for example).
    if (!m_done && m_connection.in_transaction()) {
        sqlite3_exec(m_connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    m_connection.exec("COMMIT");
    m_done = true;
}

}  // namespace qorvex::hunt::sqlite
