#pragma once

// Input shaped like the carrier's: eleven-digit numbers as the pool hands
// them out, a 200-number reply and a cycle's listing. Shared by the
// benchmarks of both back ends so that they time the same work.

#include <cstddef>
#include <random>
#include <string>

namespace qorvex::bench {

constexpr int kReplyNumbers = 200;
// A day of a running scan: a cycle every 5 s, 200 numbers a cycle.
constexpr std::size_t kDayLines = 3'500'000;
constexpr std::size_t kWeekLines = 7 * kDayLines;

// About a fifth of the numbers have a lucky tail.
std::string pool_number(std::mt19937& rng);
// A reply shaped like the service's: numbers among other numeric fields.
std::string pool_reply(std::mt19937& rng);
// `lines` numbers, one per line, as a cycle lists them in 编辑框1.
std::string listing_of(std::mt19937& rng, std::size_t lines);

}  // namespace qorvex::bench
