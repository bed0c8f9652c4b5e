#include "hunt/store.h"

#include <array>
#include <utility>

namespace qorvex::hunt {

namespace {

// The names as the history stores them and as --json and the export print them.
constexpr std::array<std::pair<CycleOutcome, std::string_view>, 4> kOutcomeNames{{
    {CycleOutcome::Numbers, "numbers"},
    {CycleOutcome::Empty, "empty"},
    {CycleOutcome::RateLimited, "rate-limited"},
    {CycleOutcome::Failed, "failed"},
}};

}  // namespace

std::string_view outcome_name(CycleOutcome outcome) {
    for (const auto& [value, name] : kOutcomeNames) {
        if (value == outcome) {
            return name;
        }
    }
    return "failed";
}

std::optional<CycleOutcome> outcome_from_name(std::string_view name) {
    for (const auto& [value, known] : kOutcomeNames) {
        if (known == name) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace qorvex::hunt
