#include "hunt/backoff.h"

#include <algorithm>
#include <cmath>

namespace qorvex::hunt {

Backoff::Backoff(TimeMs base_ms, TimeMs cap_ms)
    : m_base_ms(std::max<TimeMs>(base_ms, 1)), m_cap_ms(std::max(cap_ms, m_base_ms)) {}

TimeMs Backoff::failed(const RandomSource& random) {
    ++m_failures;
    // Doubling stops at the cap long before the shift could overflow.
    TimeMs step = m_base_ms;
    for (int i = 1; i < m_failures && step < m_cap_ms; ++i) {
        step *= 2;
    }
    step = std::min(step, m_cap_ms);
    const double share = std::clamp(random(), 0.0, 1.0);
    const auto half = step / 2;
    return half + std::min<TimeMs>(step - half, TimeMs(std::floor(share * double(step - half))));
}

}  // namespace qorvex::hunt
