#include "hunt/best_finds.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <tuple>

namespace qorvex::hunt {

BestFinds::BestFinds(const std::array<std::int64_t, kClassBitCount>& numbers_per_class,
                     std::size_t keep)
    : m_numbers_per_class(numbers_per_class), m_keep(keep) {}

BestFinds::Rank BestFinds::rank_of(const NumberRow& row) const {
    Rank rank{std::numeric_limits<std::int64_t>::max(), std::popcount(row.classes), row.first_seen};
    for (int bit = 0; bit < kClassBitCount; ++bit) {
        if ((row.classes & (1U << unsigned(bit))) != 0) {
            rank.rarest = std::min(rank.rarest, m_numbers_per_class[std::size_t(bit)]);
        }
    }
    return rank;
}

bool BestFinds::better(const NumberRow& a, const NumberRow& b) const {
    const Rank x = rank_of(a);
    const Rank y = rank_of(b);
    return std::tuple(x.rarest, -x.classes, x.first_seen, a.number) <
           std::tuple(y.rarest, -y.classes, y.first_seen, b.number);
}

void BestFinds::offer(const NumberRow& row) {
    if (row.classes == 0 || m_keep == 0) {
        return;
    }
    const auto worse_on_top = [this](const NumberRow& a, const NumberRow& b) {
        return better(a, b);
    };
    if (m_rows.size() < m_keep) {
        m_rows.push_back(row);
        std::push_heap(m_rows.begin(), m_rows.end(), worse_on_top);
    } else if (better(row, m_rows.front())) {
        std::pop_heap(m_rows.begin(), m_rows.end(), worse_on_top);
        m_rows.back() = row;
        std::push_heap(m_rows.begin(), m_rows.end(), worse_on_top);
    }
}

std::vector<NumberRow> BestFinds::take() {
    auto rows = std::move(m_rows);
    m_rows.clear();
    std::sort(rows.begin(), rows.end(),
              [this](const auto& a, const auto& b) { return better(a, b); });
    return rows;
}

}  // namespace qorvex::hunt
