#include "hunt_serve/number_page.h"

#include <unordered_set>

#include "hunt/alert_policy.h"
#include "regex/regex_object.h"
#include "scan/number_extraction.h"
#include "scan/pattern_classes.h"

namespace qorvex::hunt_serve {

namespace {

// Rows matched against the pattern together: one search over their listing.
constexpr std::size_t kPatternBatch = 1024;

}  // namespace

std::optional<std::string> pattern_problem(const std::string& pattern, rx::RegexEngine& engine) {
    const auto parse = hunt::make_alert_policy({}, pattern, engine);
    return parse.policy ? std::nullopt : std::optional<std::string>(parse.error);
}

NumberPage number_page(hunt::HistoryReader& reader, const hunt::NumberQuery& query,
                       const std::optional<std::string>& pattern, rx::RegexEngine& engine,
                       std::size_t limit, std::chrono::milliseconds time_limit) {
    const auto deadline = std::chrono::steady_clock::now() + time_limit;
    NumberPage page;
    std::optional<hunt::NumberCursor> last_read;
    std::vector<hunt::StoredNumber> batch;
    rx::RegexObject regex(engine);
    const std::string custom = pattern ? scan::custom_pattern(*pattern) : std::string();

    // Keeps the batch's rows that the pattern matches, whole numbers only:
    // the listing holds one number a line and the custom pattern spans a line.
    const auto take_batch = [&] {
        if (!pattern) {
            page.rows.insert(page.rows.end(), batch.begin(), batch.end());
            batch.clear();
            return;
        }
        std::vector<std::string> texts;
        texts.reserve(batch.size());
        for (const auto& row : batch) {
            texts.push_back(std::to_string(row.number));
        }
        if (!regex.create_user_pattern(custom, scan::listing_text(texts))) {
            throw PatternError("the pattern \"" + *pattern +
                               "\" took longer than a pattern may and was given up");
        }
        std::unordered_set<std::string_view> matched;
        for (int n = 1; n <= regex.match_count(); ++n) {
            matched.insert(regex.match_view(n));
        }
        for (std::size_t i = 0; i < batch.size(); ++i) {
            if (matched.contains(texts[i])) {
                page.rows.push_back(batch[i]);
            }
        }
        batch.clear();
    };

    bool out_of_time = false;
    bool more = false;
    reader.scan_numbers(query, [&](const hunt::StoredNumber& row) {
        if (page.rows.size() >= limit) {
            more = true;
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            out_of_time = true;
            return false;
        }
        batch.push_back(row);
        last_read = hunt::NumberCursor{row.target_id, row.number};
        if (batch.size() >= (pattern ? kPatternBatch : limit - page.rows.size())) {
            take_batch();
        }
        return true;
    });
    take_batch();
    if (page.rows.size() > limit) {
        page.rows.resize(limit);
        more = true;
    }
    if (more) {
        page.next = hunt::NumberCursor{page.rows.back().target_id, page.rows.back().number};
    } else if (out_of_time) {
        page.next = last_read;
    }
    return page;
}

}  // namespace qorvex::hunt_serve
