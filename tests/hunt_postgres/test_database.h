#pragma once

// The test server that scripts/with-postgres started (QORVEX_TEST_POSTGRES),
// with a schema of its own for each test, so that tests never see each
// other's rows.

#include <string>

namespace qorvex::hunt::test {

class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // The server's URI with this test's schema as the search path.
    const std::string& uri() const { return m_uri; }
    // The server's URI as given, with another password.
    static std::string with_password(const std::string& password);
    // Runs SQL text of the test's own in its schema.
    void exec(const std::string& sql) const;
    long long count(const std::string& sql) const;
    // Stops or starts the server (scripts/with-postgres's pg_ctl).
    static void server(const std::string& action);
    // Stops (SIGSTOP) or resumes (SIGCONT) the server and every one of its
    // processes: a server that stops answering without closing anything.
    static void freeze(bool frozen);

private:
    std::string m_schema;
    std::string m_uri;
};

}  // namespace qorvex::hunt::test
