#include "web/fetch_transport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorvex::web {
namespace {

struct ProxyRow {
    const char* label;
    std::string list;
    std::string for_http;
    std::string for_https;
};

TEST(FetchTransport, ProxyListNamesTheServerForEachScheme) {
    const std::vector<ProxyRow> rows = {
        {"no list: direct", "", "", ""},
        {"one server for every scheme", "p:8080", "p:8080", "p:8080"},
        {"plain http only", "http=p:8080", "p:8080", ""},
        {"secure only", "https=s:443", "", "s:443"},
        {"one per scheme, space apart", "http=p:1 https=s:2", "p:1", "s:2"},
        {"scheme entry wins over the common one", "c:9;http=p:1", "p:1", "c:9"},
        {"scheme name in any case", "HTTP=p:1", "p:1", ""},
        {"other schemes are left alone", "ftp=f:21", "", ""},
        {"the first common server counts", "a:1 b:2", "a:1", "a:1"},
    };
    for (const ProxyRow& row : rows) {
        EXPECT_EQ(proxy_for_scheme(row.list, "http"), row.for_http) << row.label;
        EXPECT_EQ(proxy_for_scheme(row.list, "https"), row.for_https) << row.label;
    }
}

}  // namespace
}  // namespace qorvex::web
