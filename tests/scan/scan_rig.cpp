#include "scan_rig.h"

#include <regex>

#include "app/main_window_form.h"
#include "regex/pcre2/pcre2_engine.h"
#include "web/curl/curl_http_transport.h"

namespace qorvex::test {
namespace {

constexpr std::string_view kCardList = "超级列表框1";

}  // namespace

ScanRig::ScanRig(const PoolSimOptions& options)
    : m_pool_sim(options),
      m_http(web::make_curl_http_transport()),
      m_regex(rx::make_pcre2_engine()) {
    m_controller = std::make_unique<scan::ScanController>(
        m_runtime, scan::ScanServices{*m_http, m_clock, *m_regex, m_pool_sim.host()},
        m_region_codes);
    runtime::EventTable events{
        {"开始", runtime::EventKind::Clicked,
         [this](const runtime::EventArgs&) { m_controller->start(*m_window); }},
        {"停止", runtime::EventKind::Clicked,
         [this](const runtime::EventArgs&) { m_controller->stop(*m_window); }},
        {"时钟1", runtime::EventKind::PeriodElapsed, [this](const runtime::EventArgs&) {
             if (m_controller) {
                 m_controller->tick(m_window);
             }
         }}};
    m_window = m_runtime.create_window(app::main_window_form(), std::move(events),
                                       runtime::WindowMode::Normal);
    // As start-up leaves it: the first card offer, 上海 picked.
    m_window->set_selection(kCardList, 0);
    m_region_codes.set_province_code("31");
    m_region_codes.set_group_key("34236498");
    m_region_codes.set_city_code("310");
}

ScanRig::~ScanRig() {
    m_controller.reset();
    if (m_window->exists()) {
        m_window->destroy();
    }
}

void ScanRig::start(std::string_view interval) {
    m_window->set_text(scan::kIntervalBox, interval);
    m_runtime.click(*m_window, "开始");
}

void ScanRig::stop() {
    m_runtime.click(*m_window, "停止");
}

bool ScanRig::tick() {
    return m_runtime.tick(*m_window, scan::kScanTimer);
}

bool ScanRig::wait_for_cycles(std::chrono::milliseconds timeout) {
    return m_runtime.wait_until([this] { return m_controller->cycles_in_flight() == 0; }, timeout);
}

std::vector<std::string> ScanRig::lines(std::string_view box) {
    std::vector<std::string> found;
    m_window->visit_lines(box, [&found](std::string_view line) {
        found.emplace_back(line);
        return true;
    });
    return found;
}

Multiset ScanRig::served_numbers() {
    const std::regex number("1[0-9]{10}");
    Multiset numbers;
    for (const ServedQuery& query : m_pool_sim.served()) {
        const std::string text = query.body.substr(0, query.body.find('\0'));
        for (auto match = std::sregex_iterator(text.begin(), text.end(), number);
             match != std::sregex_iterator(); ++match) {
            ++numbers[match->str()];
        }
    }
    return numbers;
}

std::chrono::milliseconds ScanRig::destroy_controller() {
    const auto begun = std::chrono::steady_clock::now();
    m_controller.reset();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 begun);
}

Multiset multiset_of(const std::vector<std::string>& items) {
    Multiset counted;
    for (const std::string& item : items) {
        ++counted[item];
    }
    return counted;
}

}  // namespace qorvex::test
