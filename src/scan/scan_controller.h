#pragma once

// The scan: the start button arms the scan timer with the user's interval,
// every tick starts one scan cycle, and the stop button disarms the timer.
//
// A cycle's worker touches no component: the inputs of the cycle (card row,
// extraction choice, custom text, region codes) are read on the
// user-interface thread when the tick starts it, the worker runs the network
// exchange and then the computation on the reply's text (extraction and
// classification, pipeline.h), and what it brings back (the running count,
// the listing, each class's matches) is written on the user-interface thread
// in one go. A reply of any size thus leaves the window responsive, and
// cycles that overlap in time never mix their numbers: each lists and
// classifies exactly its own, once.

#include <memory>
#include <string>
#include <string_view>

#include "runtime/runtime.h"
#include "runtime/worker_threads.h"

namespace qorvex::region {
class RegionCodes;
}
namespace qorvex::rx {
class RegexEngine;
}
namespace qorvex::web {
class Clock;
class HttpTransport;
}  // namespace qorvex::web

namespace qorvex::scan {

inline constexpr std::string_view kStatusLabel = "透明签5";
inline constexpr std::string_view kScanTimer = "时钟1";
inline constexpr std::string_view kIntervalBox = "编辑框99";
inline constexpr std::string_view kCardList = "超级列表框1";

inline constexpr std::string_view kStatusStopped = "已停止";
inline constexpr std::string_view kStatusStarting = "启动中...";
inline constexpr std::string_view kStatusNoCard = "请点击选择卡种类";
inline constexpr std::string_view kStatusScanning = "扫描中...已扫描到号码数量:";

// A tick that finds this many cycles in flight starts none, so a period
// shorter than the exchange never piles up threads.
inline constexpr int kMaxCyclesInFlight = 4;

struct ScanServices {
    web::HttpTransport& http;
    web::Clock& clock;
    rx::RegexEngine& regex;
    std::string carrier_host;  // host[:port] of the number-selection service
};

class ScanController {
public:
    ScanController(runtime::Runtime& runtime, ScanServices services,
                   const region::RegionCodes& region_codes);
    // Stops the cycles in flight and waits for their workers to end (a
    // closing program must not hang on a server that never answers, nor on
    // a reply that takes long to classify); their results are dropped.
    ~ScanController();
    ScanController(const ScanController&) = delete;
    ScanController& operator=(const ScanController&) = delete;

    // The start button. With card row 0 or 1 it arms the timer and shows
    // "扫描中..." once a cycle has finished, unless stop comes first.
    void start(runtime::Form& window);
    void stop(runtime::Form& window);
    // The timer's tick: starts one cycle unless kMaxCyclesInFlight are in flight.
    void tick(const std::shared_ptr<runtime::Form>& window);

    // Cycles started and not yet finished on the user-interface thread.
    int cycles_in_flight() const;

private:
    struct State;
    struct CycleInputs;

    CycleInputs read_cycle_inputs(runtime::Form& window) const;

    ScanServices m_services;
    const region::RegionCodes& m_region_codes;
    // Shared with the continuations of cycles in flight, which find it gone
    // once the controller is.
    std::shared_ptr<State> m_state;
    runtime::WorkerThreads m_workers;
};

}  // namespace qorvex::scan
