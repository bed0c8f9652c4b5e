// cookie_merge on any pair of cookie texts: the result is space-free, left
// in the first argument, holds no deleted cookie and no item twice.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <set>
#include <string>

#include "fuzz_check.h"
#include "web/cookies_headers.h"
#include "web/text_ops.h"

using qorvex::fuzz::require;
using namespace qorvex::web;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::string sent = input.ConsumeRandomLengthString(256);
    std::string received = input.ConsumeRemainingBytesAsString();
    const std::string received_before = received;
    // Empty items ("a=1;;b=2") survive the merge as empty items, so only
    // texts without them give a result that a second dedupe leaves alone.
    bool empty_items = false;
    for (const std::string* text : {&sent, &received}) {
        for (const std::string& item : split_text(remove_spaces(*text), ";")) {
            empty_items = empty_items || item.empty();
        }
    }

    const std::string merged = cookie_merge(sent, received);
    require(merged == sent);
    require(received == remove_spaces(received_before));
    require(received.find(' ') == std::string::npos);

    std::set<std::string> seen;
    for (const std::string& item : split_text(merged, "; ")) {
        require(item.find(' ') == std::string::npos);
        require(!item.ends_with("=deleted"));
        require(seen.insert(item).second);
    }
    if (!empty_items) {
        require(dedupe_items(merged, "; ", true) == merged);
    }
    // The server's cookies are all kept unless deleted.
    for (const std::string& item : split_text(received, ";")) {
        if (!item.empty() && !item.ends_with("=deleted")) {
            require(seen.count(item) == 1);
        }
    }
    return 0;
}
