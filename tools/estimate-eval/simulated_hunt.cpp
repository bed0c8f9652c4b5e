#include "simulated_hunt.h"

#include <algorithm>
#include <cmath>

namespace qorvex::estimate_eval {

namespace {

constexpr int kHalvings = 100;

// pi_i = 1 - exp(-lambda w_i), lambda such that the pi_i add up to `reply`.
std::vector<double> inclusion_chances(const std::vector<double>& weights, int reply) {
    auto included = [&](double lambda) {
        double total = 0;
        for (const double weight : weights) {
            total += -std::expm1(-lambda * weight);
        }
        return total;
    };
    double low = 0;
    double high = 1;
    while (included(high) < reply) {
        high *= 2;
    }
    for (int i = 0; i < kHalvings; ++i) {
        const double middle = (low + high) / 2;
        (included(middle) < reply ? low : high) = middle;
    }
    std::vector<double> chances;
    chances.reserve(weights.size());
    for (const double weight : weights) {
        chances.push_back(-std::expm1(-high * weight));
    }
    return chances;
}

}  // namespace

SimulatedHunt::SimulatedHunt(int pool, int reply, double shape, std::uint64_t seed)
    : m_reply(reply),
      m_random(seed),
      m_times_seen(std::size_t(pool), 0),
      m_drawn_in(std::size_t(pool), 0),
      m_progress(hunt::CaptureHistory{}, 0) {
    std::vector<double> weights(std::size_t(pool), 1.0);
    if (shape > 0) {
        std::gamma_distribution<double> gamma(shape, 1.0);
        for (auto& weight : weights) {
            weight = std::max(gamma(m_random), 1e-300);
        }
    }
    double sum = 0;
    for (const double weight : weights) {
        sum += weight;
        m_cumulative.push_back(sum);
    }
    m_inclusion = inclusion_chances(weights, reply);
}

void SimulatedHunt::cycle() {
    ++m_cycles;
    std::uniform_real_distribution<double> uniform(0.0, m_cumulative.back());
    std::size_t fresh = 0;
    std::vector<std::int64_t> repeats;
    for (int distinct = 0; distinct < m_reply;) {
        const auto at =
            std::upper_bound(m_cumulative.begin(), m_cumulative.end(), uniform(m_random));
        const auto i = std::size_t(std::min<std::ptrdiff_t>(
            at - m_cumulative.begin(), std::ptrdiff_t(m_cumulative.size()) - 1));
        if (m_drawn_in[i] == m_cycles) {
            continue;
        }
        m_drawn_in[i] = m_cycles;
        ++distinct;
        if (m_times_seen[i] == 0) {
            ++fresh;
            ++m_seen;
            m_unseen_share -= m_inclusion[i] / m_reply;
        } else {
            repeats.push_back(m_times_seen[i]);
        }
        ++m_times_seen[i];
    }
    m_progress.add_cycle(hunt::CycleOutcome::Numbers, std::size_t(m_reply), fresh, 0, repeats);
}

}  // namespace qorvex::estimate_eval
