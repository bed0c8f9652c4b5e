#pragma once

// The best finds of a target: its numbers in the rarest classes first. A
// class is as rare as it is seldom among the target's numbers (its observed
// frequency); a number ranks by the rarest class it is in, then by how many
// classes it is in, then by when it was first seen. Only the best few are
// kept, whatever the number of rows offered.

#include <array>
#include <cstdint>
#include <vector>

#include "hunt/store.h"

namespace qorvex::hunt {

class BestFinds {
public:
    BestFinds(const std::array<std::int64_t, kClassBitCount>& numbers_per_class, std::size_t keep);

    void offer(const NumberRow& row);
    // Best first.
    std::vector<NumberRow> take();

private:
    struct Rank {
        std::int64_t rarest = 0;  // numbers in the rarest class of the row
        int classes = 0;
        TimeMs first_seen = 0;
    };
    Rank rank_of(const NumberRow& row) const;
    bool better(const NumberRow& a, const NumberRow& b) const;

    std::array<std::int64_t, kClassBitCount> m_numbers_per_class;
    std::size_t m_keep;
    std::vector<NumberRow> m_rows;  // a heap, worst on top
};

}  // namespace qorvex::hunt
