#pragma once

// The processor time a search may use. A busy machine deschedules a search,
// and a machine waking from sleep moves the wall clock on, without the search
// doing any more work; measured in the searching thread's processor time, a
// budget is spent only by the search itself.
//
// Reading a thread's processor time is a system call, dear beside a wall
// clock. A thread cannot use more processor time than wall time passes, so
// the budget reads the processor clock only once enough wall time has passed
// for the rest of the budget to be spent.

#include <chrono>
#include <functional>

namespace qorvex::rx {

// One reading of a clock, as time since some fixed point.
using ClockReading = std::function<std::chrono::nanoseconds()>;

// The steady wall clock.
std::chrono::nanoseconds steady_time();

class ProcessorBudget {
public:
    // `wall` must never run slower than `processor`; both must outlive the budget.
    ProcessorBudget(const ClockReading& wall, const ClockReading& processor,
                    std::chrono::nanoseconds budget);

    // Whether the searching thread has used the whole budget since the budget was made.
    bool spent();
    // Wall time until `spent` can first be true, for a thread that waits on
    // the searching thread; zero when it is due now.
    std::chrono::nanoseconds wall_time_to_next_look() const;

private:
    const ClockReading& m_wall;
    const ClockReading& m_processor;
    std::chrono::nanoseconds m_budget;
    std::chrono::nanoseconds m_processor_at_start;
    std::chrono::nanoseconds m_next_look;
};

}  // namespace qorvex::rx
