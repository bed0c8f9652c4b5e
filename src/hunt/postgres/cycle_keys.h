#pragma once

// The keys a hunter gives its cycles on the shared server: unique across
// hunters and runs, so that a cycle sent twice (its first commit's
// acknowledgement lost) is recognised and stored once, and no two runs'
// cycles are ever taken for one another.

#include <cstdint>
#include <string>

namespace qorvex::hunt::postgres {

class CycleKeys {
public:
    CycleKeys();
    // This run's key prefix followed by a counter.
    std::string next();

private:
    std::string m_run;
    std::uint64_t m_counter = 0;
};

}  // namespace qorvex::hunt::postgres
