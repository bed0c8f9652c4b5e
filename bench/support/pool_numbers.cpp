#include "support/pool_numbers.h"

#include <iterator>
#include <vector>

#include "scan/number_extraction.h"

namespace qorvex::bench {

std::string pool_number(std::mt19937& rng) {
    static const char* const kPrefixes[] = {"130", "131", "132", "155", "156",
                                            "166", "175", "176", "185", "186"};
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<std::size_t> prefix(0, std::size(kPrefixes) - 1);
    std::string number = kPrefixes[prefix(rng)];
    while (number.size() < 11) {
        number.push_back(static_cast<char>('0' + digit(rng)));
    }
    if (digit(rng) < 2) {
        const char a = static_cast<char>('0' + digit(rng));
        const char b = static_cast<char>('0' + digit(rng));
        const std::string tails[] = {std::string(4, a), std::string(2, a) + std::string(2, b),
                                     std::string(3, a) + b, "1234", std::string(1, a) + "688"};
        const std::string& tail = tails[static_cast<std::size_t>(digit(rng)) % std::size(tails)];
        number.replace(number.size() - tail.size(), tail.size(), tail);
    }
    return number;
}

std::string pool_reply(std::mt19937& rng) {
    std::string reply = R"(jsonp_queryMoreNums({"code":"M0","desc":"\u6210\u529f",)"
                        R"("uuid":"a1b2c3d4e5f6a7b8c9d0e1f2a3b4c5d6","numArray":[)";
    for (int i = 0; i < kReplyNumbers; ++i) {
        reply += (i == 0 ? "{" : ",{");
        reply += R"("num":)" + pool_number(rng) + R"(,"advancePay":100,"monthFeeLimit":0,)";
        reply += R"("niceRule":0,"goodsId":"98)" + std::to_string(10'000'000 + i) + "\"}";
    }
    reply += R"(],"total":200});)";
    return reply;
}

std::string listing_of(std::mt19937& rng, std::size_t lines) {
    std::vector<std::string> numbers;
    numbers.reserve(lines);
    for (std::size_t i = 0; i < lines; ++i) {
        numbers.push_back(pool_number(rng));
    }
    return scan::listing_text(numbers);
}

}  // namespace qorvex::bench
