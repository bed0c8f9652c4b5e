#pragma once

// A thin owner of one SQLite connection and its prepared statements, so that
// the store reads in terms of statements and transactions, and every SQLite
// failure leaves here as a StoreError of the kind the user can act on.
// SQLite's own header stays in the .cpp.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "hunt/store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qorvex::hunt::sqlite {

class Connection;

// A statement prepared once and run many times. Bind, step, read columns;
// a Run resets it and clears its bindings however the use ends.
class Statement {
public:
    Statement(Connection& connection, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view value);
    Statement& bind_null(int index);

    // True while a row is ready; false at the end. Throws StoreError.
    bool step();
    // Steps a statement that returns no rows.
    void run();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    bool is_null(int column) const;

    void reset();

    // Resets the statement when it goes out of scope.
    class Run {
    public:
        explicit Run(Statement& statement) : m_statement(statement) {}
        ~Run() { m_statement.reset(); }
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

    private:
        Statement& m_statement;
    };

private:
    Connection& m_connection;
    sqlite3_stmt* m_statement = nullptr;
};

class Connection {
public:
    enum class Create { IfMissing, Never };
    enum class Access {
        ReadWrite,
        ReadOnly,
        // Read-only, and the file is taken not to change while it is open,
        // so SQLite needs no lock and no files beside it.
        Immutable,
    };

    // Opens the file. Reads nothing yet: SQLite looks at the file's header on
    // the first statement.
    Connection(const std::string& path, Create create, Access access = Access::ReadWrite);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // How long a statement waits for another program's lock before Busy.
    void set_busy_wait(std::chrono::milliseconds wait);

    // Runs fixed SQL text (schema, pragmas, transaction control) that binds
    // no values.
    void exec(std::string_view sql);
    // Runs fixed SQL text that yields one integer (a pragma's value).
    std::int64_t query_integer(std::string_view sql);
    std::string query_text(std::string_view sql);

    std::int64_t changes() const;
    bool in_transaction() const;
    const std::string& path() const { return m_path; }

    // Turns SQLite's result `code` into the StoreError the user reads;
    // `doing` says what was being done ("reading the schema version").
    [[noreturn]] void fail(int code, std::string_view doing) const;

    sqlite3* handle() const { return m_db; }

private:
    std::string m_path;
    sqlite3* m_db = nullptr;
    std::chrono::milliseconds m_busy_wait{0};
};

// BEGIN IMMEDIATE on construction (the write lock is taken at once, so a
// locked file fails before any work); ROLLBACK unless commit() was called.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Connection& m_connection;
    bool m_done = false;
};

// How a program that only reads opens the history at `path` (see the
// definition for why it differs with the file's permissions).
Connection::Access reading_access(const std::string& path);

}  // namespace qorvex::hunt::sqlite
