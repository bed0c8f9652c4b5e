#pragma once

// A hunt simulated in process against a pool of known size, for the
// evaluation and the estimator tests. Each pool number has a weight: 1
// (uniform draws) or one drawn from a gamma distribution of the given
// shape (smaller: more uneven). A reply is a weighted sample without
// replacement of the reply size (successive draws, repeats rejected). Each
// reply is fed to the hunt library's TargetProgress as the hunter feeds a
// stored cycle, so the assessment read from it is the hunter's own.
//
// What a hunt cannot know is kept beside it: the true coverage M/N, and the
// true unseen share of what the service serves, the expected share of the
// next reply that is new, from inclusion chances pi_i = 1 - exp(-lambda w_i)
// with sum_i pi_i = reply size (the usual approximation for successive
// sampling).

#include <cstdint>
#include <random>
#include <vector>

#include "hunt/target_progress.h"

namespace qorvex::estimate_eval {

class SimulatedHunt {
public:
    SimulatedHunt(int pool, int reply, double shape, std::uint64_t seed);

    // Draws one reply and feeds it to the progress.
    void cycle();

    const hunt::TargetProgress& progress() const { return m_progress; }
    int cycles() const { return m_cycles; }
    double true_coverage() const { return double(m_seen) / double(m_times_seen.size()); }
    double true_unseen_share() const { return m_unseen_share > 0 ? m_unseen_share : 0; }

private:
    int m_reply;
    std::mt19937_64 m_random;
    std::vector<double> m_cumulative;  // of the weights, for drawing
    std::vector<double> m_inclusion;   // pi_i
    std::vector<std::int64_t> m_times_seen;
    std::vector<int> m_drawn_in;  // the cycle that last drew each number
    double m_unseen_share = 1;
    std::int64_t m_seen = 0;
    int m_cycles = 0;
    hunt::TargetProgress m_progress;
};

}  // namespace qorvex::estimate_eval
