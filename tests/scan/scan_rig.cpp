#include "scan_rig.h"

#include <regex>

namespace qorvex::test {
ScanRig::ScanRig(const PoolSimOptions& options) : m_program(m_runtime, options) {}

void ScanRig::start(std::string_view interval) {
    window().set_text(scan::kIntervalBox, interval);
    m_runtime.click(window(), "开始");
}

void ScanRig::stop() {
    m_runtime.click(window(), "停止");
}

bool ScanRig::tick() {
    return m_runtime.tick(window(), scan::kScanTimer);
}

bool ScanRig::wait_for_cycles(std::chrono::milliseconds timeout) {
    return m_runtime.wait_until([this] { return controller().cycles_in_flight() == 0; }, timeout);
}

Multiset ScanRig::served_numbers() {
    const std::regex number("1[0-9]{10}");
    Multiset numbers;
    for (const ServedQuery& query : pool_sim().served()) {
        const std::string text = query.body.substr(0, query.body.find('\0'));
        for (auto match = std::sregex_iterator(text.begin(), text.end(), number);
             match != std::sregex_iterator(); ++match) {
            ++numbers[match->str()];
        }
    }
    return numbers;
}

Multiset multiset_of(const std::vector<std::string>& items) {
    Multiset counted;
    for (const std::string& item : items) {
        ++counted[item];
    }
    return counted;
}

}  // namespace qorvex::test
