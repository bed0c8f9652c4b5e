#include "scan/scan_controller.h"

#include <utility>

#include "region/region_codes.h"
#include "scan/number_pool_query.h"
#include "scan/pipeline.h"
#include "scan/running_count.h"
#include "scan/scan_interval.h"
#include "web/time_stamp.h"

namespace qorvex::scan {

// Touched on the user-interface thread only: ticks, start and stop run there,
// and so do the continuations that finish the cycles.
struct ScanController::State {
    int cycles_in_flight = 0;
    // Set by every finished cycle, cleared by the next tick.
    bool cycle_finished = false;
    // A start with the timer armed waits for a finished cycle before it
    // reports scanning; stop ends the wait.
    bool awaiting_first_cycle = false;
};

struct ScanController::CycleInputs {
    PipelineChoices choices;
    std::string url;  // empty when the card row sends no query
};

ScanController::ScanController(runtime::Runtime& runtime, ScanServices services,
                               const region::RegionCodes& region_codes)
    : m_services(std::move(services)),
      m_region_codes(region_codes),
      m_state(std::make_shared<State>()),
      m_workers(runtime) {}

ScanController::~ScanController() = default;

void ScanController::start(runtime::Form& window) {
    window.set_text(kStatusLabel, kStatusStarting);
    const int card_row = window.selection(kCardList);
    if (card_row < 0) {
        window.set_text(kStatusLabel, kStatusNoCard);
        return;
    }
    if (!card_row_queries(card_row)) {
        return;
    }
    const int period = timer_period_ms(window.text(kIntervalBox));
    window.set_timer_period(kScanTimer, period);
    if (period == 0) {
        // No cycle will run, so there is nothing to wait for: the status
        // stays "启动中..." rather than claim a scan that is not happening.
        m_state->awaiting_first_cycle = false;
        return;
    }
    if (m_state->cycle_finished) {
        window.set_text(kStatusLabel, kStatusScanning);
        m_state->awaiting_first_cycle = false;
    } else {
        m_state->awaiting_first_cycle = true;
    }
}

void ScanController::stop(runtime::Form& window) {
    m_state->awaiting_first_cycle = false;
    window.set_text(kStatusLabel, kStatusStopped);
    window.set_text(kRunningCountLabel, "");
    window.set_timer_period(kScanTimer, 0);
}

ScanController::CycleInputs ScanController::read_cycle_inputs(runtime::Form& window) const {
    CycleInputs inputs;
    inputs.choices = read_pipeline_choices(window);
    if (card_row_queries(window.selection(kCardList))) {
        const auto codes = m_region_codes.snapshot();
        inputs.url = number_pool_url(m_services.carrier_host, *codes,
                                     web::time_stamp_text(m_services.clock));
    }
    return inputs;
}

void ScanController::tick(const std::shared_ptr<runtime::Form>& window) {
    // Finished workers are joined by WorkerThreads itself; the flag only
    // tells a later start that a cycle has finished since this tick.
    m_state->cycle_finished = false;
    if (m_state->cycles_in_flight >= kMaxCyclesInFlight) {
        return;
    }
    CycleInputs inputs = read_cycle_inputs(*window);
    ++m_state->cycles_in_flight;

    web::HttpTransport& http = m_services.http;
    rx::RegexEngine& regex = m_services.regex;
    std::weak_ptr<State> state = m_state;
    std::weak_ptr<runtime::Form> weak_window = window;
    try {
        m_workers.start([&http, &regex, state, weak_window, stop = m_workers.stop_token(),
                         inputs = std::move(inputs)]() {
            const std::string reply =
                inputs.url.empty() ? std::string() : fetch_reply_text(http, inputs.url, stop);
            CycleOutcome outcome = work_through_reply(regex, reply, inputs.choices, stop);
            return [state, weak_window, outcome = std::move(outcome)]() {
                const std::shared_ptr<State> alive = state.lock();
                if (!alive) {
                    return;
                }
                --alive->cycles_in_flight;
                const std::shared_ptr<runtime::Form> target = weak_window.lock();
                if (!target || !target->exists()) {
                    return;
                }
                show_cycle_outcome(*target, outcome);
                alive->cycle_finished = true;
                if (alive->awaiting_first_cycle) {
                    alive->awaiting_first_cycle = false;
                    target->set_text(kStatusLabel, kStatusScanning);
                }
            };
        });
    } catch (...) {
        --m_state->cycles_in_flight;
        throw;
    }
}

int ScanController::cycles_in_flight() const {
    return m_state->cycles_in_flight;
}

}  // namespace qorvex::scan
