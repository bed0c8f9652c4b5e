#include "scan/number_lookup.h"

namespace qorvex::scan {

NumberLookup::NumberLookup(std::string_view wanted) : m_wanted(number_value(wanted)) {}

bool NumberLookup::visit(std::string_view line) {
    ++m_outcome.lines_searched;
    read_number_value(line, m_line);
    m_outcome.found = m_line == m_wanted;
    return !m_outcome.found;
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
