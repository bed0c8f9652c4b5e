#include "app/application_page.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qorvex::app {
namespace {

using Query = std::vector<std::pair<std::string, std::string>>;

Query query_of(const std::string& url) {
    Query query;
    const auto question = url.find('?');
    if (question == std::string::npos) {
        return query;
    }
    std::size_t start = question + 1;
    while (start <= url.size()) {
        auto end = url.find('&', start);
        if (end == std::string::npos) {
            end = url.size();
        }
        const std::string pair = url.substr(start, end - start);
        const auto equals = pair.find('=');
        query.emplace_back(pair.substr(0, equals),
                           equals == std::string::npos ? "" : pair.substr(equals + 1));
        start = end + 1;
    }
    return query;
}

std::string percent_decode(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// A Base64 text of `bytes` bytes: the right length, only Base64 characters,
// and exactly the padding that length needs.
void expect_base64_of(const std::string& text, std::size_t bytes, const std::string& key) {
    const std::size_t padding = (3 - bytes % 3) % 3;
    EXPECT_EQ(text.size(), (bytes + 2) / 3 * 4) << key;
    const auto body = text.substr(0, text.size() - padding);
    EXPECT_EQ(
        body.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"),
        std::string::npos)
        << key;
    EXPECT_EQ(text.substr(text.size() - padding), std::string(padding, '=')) << key;
}

TEST(ApplicationPageUrl, HostPathAndKeysInOrder) {
    const std::string url = application_page_url("pool.example:8443");
    EXPECT_EQ(url.rfind("https://pool.example:8443/queen/morvane/royce-tab.html?", 0), 0u) << url;
    const Query query = query_of(url);
    std::vector<std::string> keys;
    for (const auto& [key, value] : query) {
        keys.push_back(key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"channel", "act_type", "id_type", "share_id",
                                              "beinvited_id"}));
    ASSERT_EQ(query.size(), 5u);
    EXPECT_EQ(query[0].second, "62");
    EXPECT_EQ(query[4].second, query[3].second);
}

TEST(ApplicationPageUrl, ReferralValuesAreUrlEncodedBase64OfTheirLengths) {
    const Query query = query_of(application_page_url("h"));
    ASSERT_EQ(query.size(), 5u);
    const std::pair<std::size_t, std::size_t> expected_bytes[] = {{1, 16}, {2, 16}, {3, 32}};
    for (const auto& [index, bytes] : expected_bytes) {
        const auto& [key, value] = query[index];
        EXPECT_EQ(value.find_first_of("+/="), std::string::npos) << key << "=" << value;
        expect_base64_of(percent_decode(value), bytes, key);
    }
}

TEST(UrlEncodeBase64, EncodesPlusSlashAndEquals) {
    EXPECT_EQ(url_encode_base64("a+b/c=="), "a%2Bb%2Fc%3D%3D");
    EXPECT_EQ(url_encode_base64("AZaz09"), "AZaz09");
    EXPECT_EQ(url_encode_base64(""), "");
}

}  // namespace
}  // namespace qorvex::app
