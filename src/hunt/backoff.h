#pragma once

// How long a target rests after its queries fail or are refused: twice as
// long after each failure in a row, from a base up to a cap, with jitter so
// that hunters that failed together do not come back together. The delay is
// drawn uniformly from the upper half of the doubled step ("equal jitter"),
// so it never drops below half the step. A reply resets it.

#include <functional>

#include "hunt/store.h"

namespace qorvex::hunt {

// Uniform in [0, 1); passed in so that tests can fix it.
using RandomSource = std::function<double()>;

class Backoff {
public:
    Backoff(TimeMs base_ms, TimeMs cap_ms);

    // One more failure in a row; the delay before the next try.
    TimeMs failed(const RandomSource& random);
    void succeeded() { m_failures = 0; }
    int failures() const { return m_failures; }

private:
    TimeMs m_base_ms;
    TimeMs m_cap_ms;
    int m_failures = 0;
};

}  // namespace qorvex::hunt
