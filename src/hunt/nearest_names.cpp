#include "hunt/nearest_names.h"

#include <algorithm>
#include <numeric>

#include "web/text_ops.h"

namespace qorvex::hunt {

namespace {

std::vector<std::string_view> characters(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t size = std::max<std::size_t>(1, web::character_size(text, at));
        pieces.push_back(text.substr(at, size));
        at += size;
    }
    return pieces;
}

}  // namespace

std::size_t edit_distance(std::string_view a, std::string_view b) {
    const auto left = characters(a);
    const auto right = characters(b);
    std::vector<std::size_t> row(right.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= left.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= right.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t substitution = diagonal + (left[i - 1] == right[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
            diagonal = above;
        }
    }
    return row.back();
}

std::vector<std::string_view> nearest_names(std::string_view wanted,
                                            std::span<const std::string_view> candidates,
                                            std::size_t at_most) {
    std::vector<std::pair<std::size_t, std::size_t>> ranked;  // distance, index
    ranked.reserve(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        ranked.emplace_back(edit_distance(wanted, candidates[i]), i);
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string_view> nearest;
    for (std::size_t i = 0; i < ranked.size() && i < at_most; ++i) {
        nearest.push_back(candidates[ranked[i].second]);
    }
    return nearest;
}

std::string joined_names(std::span<const std::string_view> names) {
    std::string text;
    for (const auto name : names) {
        if (!text.empty()) {
            text += ", ";
        }
        text += name;
    }
    return text;
}

}  // namespace qorvex::hunt
