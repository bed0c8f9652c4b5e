#include "hunt_postgres/test_database.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pqxx/pqxx>
#include <sstream>
#include <stdexcept>

namespace qorvex::hunt::test {

namespace {

std::string server_uri() {
    const char* uri = std::getenv("QORVEX_TEST_POSTGRES");
    if (uri == nullptr) {
        throw std::runtime_error(
            "QORVEX_TEST_POSTGRES is not set: run the test through scripts/with-postgres");
    }
    return uri;
}

}  // namespace

TestDatabase::TestDatabase() {
    static std::atomic<int> counter{0};
    m_schema = "t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    pqxx::connection admin(server_uri());
    pqxx::nontransaction(admin).exec("CREATE SCHEMA " + m_schema);
    m_uri = server_uri() + "?options=-csearch_path%3D" + m_schema;
}

TestDatabase::~TestDatabase() {
    try {
        pqxx::connection admin(server_uri());
        pqxx::nontransaction(admin).exec("DROP SCHEMA " + m_schema + " CASCADE");
    } catch (const std::exception&) {
        // The server is gone with its folder at the end of the run anyway.
    }
}

std::string TestDatabase::with_password(const std::string& password) {
    const std::string uri = server_uri();
    const auto colon = uri.find(':', uri.find("://") + 3);
    return uri.substr(0, colon + 1) + password + uri.substr(uri.find('@'));
}

void TestDatabase::exec(const std::string& sql) const {
    pqxx::connection connection(m_uri);
    pqxx::nontransaction(connection).exec(sql);
}

long long TestDatabase::count(const std::string& sql) const {
    pqxx::connection connection(m_uri);
    return pqxx::nontransaction(connection).exec1(sql)[0].as<long long>();
}

void TestDatabase::server(const std::string& action) {
    const char* pg_ctl = std::getenv("QORVEX_TEST_PG_CTL");
    if (pg_ctl == nullptr) {
        throw std::runtime_error("QORVEX_TEST_PG_CTL is not set");
    }
    const std::string command = std::string(pg_ctl) + " " + action + " >/dev/null";
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("cannot " + action + " the test server");
    }
}

void TestDatabase::freeze(bool frozen) {
    // The server's folder holds pg_ctl and data/postmaster.pid, whose first
    // line is the postmaster's process id; its children are the backends.
    const char* pg_ctl = std::getenv("QORVEX_TEST_PG_CTL");
    if (pg_ctl == nullptr) {
        throw std::runtime_error("QORVEX_TEST_PG_CTL is not set");
    }
    std::ifstream pid_file(std::filesystem::path(pg_ctl).parent_path() / "data" / "postmaster.pid");
    pid_t postmaster = 0;
    pid_file >> postmaster;
    if (postmaster <= 0) {
        throw std::runtime_error("the test server is not running");
    }
    const int signal = frozen ? SIGSTOP : SIGCONT;
    kill(postmaster, signal);
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        // "pid (name) state parent …"; the name may hold spaces.
        std::string stat;
        std::getline(std::ifstream(entry.path() / "stat"), stat);
        const auto name_end = stat.rfind(')');
        if (name_end == std::string::npos) {
            continue;
        }
        std::istringstream rest(stat.substr(name_end + 1));
        std::string state;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == postmaster) {
            kill(std::stoi(stat), signal);
        }
    }
}

}  // namespace qorvex::hunt::test
