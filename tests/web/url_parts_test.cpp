#include "web/url_parts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorvex::web {
namespace {

struct AddressRow {
    const char* label;
    std::string url;
    std::string host;
    std::string host_with_port;
    int port;
    std::string path;
};

TEST(UrlParts, SplitAnAddressIntoHostPortAndPath) {
    const std::vector<AddressRow> rows = {
        {"secure, upper-case scheme, port and query", "HTTPS://Srv:8443/a/B?c=1", "srv", "srv:8443",
         8443, "/a/B?c=1"},
        {"a bare host takes the plain scheme", "srv", "srv", "srv", 80, "/"},
        {"secure without a port", "https://srv/x", "srv", "srv", 443, "/x"},
        {"mixed-case secure scheme, nothing after the host", "hTTpS://Srv", "srv", "srv", 443, "/"},
        {"plain with a port, no path", "http://127.0.0.1:8080", "127.0.0.1", "127.0.0.1:8080", 8080,
         "/"},
        {"no scheme, path keeps its case", "Example.COM/Dir/File.txt", "example.com", "example.com",
         80, "/Dir/File.txt"},
        {"the percent-encoded version file",
         "https://127.0.0.1:8443/%E6%9B%B4%E6%96%B0%E7%89%88%E6%9C%AC.txt", "127.0.0.1",
         "127.0.0.1:8443", 8443, "/%E6%9B%B4%E6%96%B0%E7%89%88%E6%9C%AC.txt"},
        {"a port without digits reads as 0", "http://srv:abc/x", "srv", "srv:abc", 0, "/x"},
        {"the last colon names the port", "http://srv:80:8443/", "srv", "srv:80:8443", 8443, "/"},
    };
    for (const AddressRow& row : rows) {
        EXPECT_EQ(url_host(row.url), row.host) << row.label;
        EXPECT_EQ(url_host(row.url, true), row.host_with_port) << row.label;
        EXPECT_EQ(url_port(row.url), row.port) << row.label;
        EXPECT_EQ(url_path(row.url), row.path) << row.label;
    }
}

}  // namespace
}  // namespace qorvex::web
