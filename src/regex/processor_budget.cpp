#include "regex/processor_budget.h"

#include <algorithm>

namespace qorvex::rx {

std::chrono::nanoseconds steady_time() {
    return std::chrono::steady_clock::now().time_since_epoch();
}

ProcessorBudget::ProcessorBudget(const ClockReading& wall, const ClockReading& processor,
                                 std::chrono::nanoseconds budget)
    : m_wall(wall),
      m_processor(processor),
      m_budget(budget),
      m_processor_at_start(processor()),
      m_next_look(wall() + budget) {}

bool ProcessorBudget::spent() {
    const std::chrono::nanoseconds now = m_wall();
    if (now < m_next_look) {
        return false;
    }
    const std::chrono::nanoseconds used = m_processor() - m_processor_at_start;
    if (used >= m_budget) {
        return true;
    }
    m_next_look = now + (m_budget - used);
    return false;
}

std::chrono::nanoseconds ProcessorBudget::wall_time_to_next_look() const {
    return std::max(m_next_look - m_wall(), std::chrono::nanoseconds::zero());
}

}  // namespace qorvex::rx
