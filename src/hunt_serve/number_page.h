#pragma once

// One page of the stored numbers that pass a query and, when given, the
// window's custom-pattern rule. The history is read in its own key order
// from the cursor on; a page ends when it is full or its time is up, and
// says where to go on from (a page cut short by time may hold fewer rows
// than asked and still have a next one).

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "hunt/history_reader.h"
#include "regex/regex_engine.h"

namespace qorvex::hunt_serve {

struct NumberPage {
    std::vector<hunt::StoredNumber> rows;
    std::optional<hunt::NumberCursor> next;
};

// The custom-pattern filter; throws PatternError when the pattern is
// refused or its search is given up.
class PatternError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Checks a pattern as the hunt checks --alert-pattern: the reason it is
// refused, or nothing when it is accepted.
std::optional<std::string> pattern_problem(const std::string& pattern, rx::RegexEngine& engine);

NumberPage number_page(hunt::HistoryReader& reader, const hunt::NumberQuery& query,
                       const std::optional<std::string>& pattern, rx::RegexEngine& engine,
                       std::size_t limit, std::chrono::milliseconds time_limit);

}  // namespace qorvex::hunt_serve
