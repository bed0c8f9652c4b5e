#include "scan/number_lookup.h"

namespace qorvex::scan {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

NumberLookup::NumberLookup(std::string_view wanted) : m_wanted(number_value(wanted)) {}

bool NumberLookup::visit(std::string_view line) {
    ++m_outcome.lines_searched;
    read_number_value(line, m_line);
    m_outcome.found = m_line == m_wanted;
    return !m_outcome.found;
}

LookupOutcome look_up_number(std::string_view all_numbers, std::string_view wanted) {
    NumberLookup lookup(wanted);
    std::size_t start = 0;
    while (start < all_numbers.size()) {
        const std::size_t end = all_numbers.find(kLineEnd, start);
        const std::string_view line = end == std::string_view::npos
                                          ? all_numbers.substr(start)
                                          : all_numbers.substr(start, end - start);
        if (!lookup.visit(line) || end == std::string_view::npos) {
            break;
        }
        start = end + kLineEnd.size();
    }
    return lookup.outcome();
}

std::vector<std::string> lookup_captions(const LookupOutcome& outcome) {
    std::vector<std::string> captions{std::string(kLookupReady)};
    if (outcome.lines_searched > 0) {
        captions.push_back(std::string(kLookupProgress) + std::to_string(outcome.lines_searched));
        captions.emplace_back(outcome.found ? kLookupFound : kLookupNotFound);
    }
    return captions;
}

}  // namespace qorvex::scan
