#include <string>
#include <string_view>

#include "app/handlers.h"
#include "scan/network_test.h"
#include "scan/number_lookup.h"
#include "scan/pipeline.h"

namespace qorvex::app {
namespace {

constexpr std::string_view kLookupLabel = "标签1";
constexpr std::string_view kLookupInput = "编辑框999";

}  // namespace

void on_start_clicked(AppContext& context) {
    context.scan.start(*context.main_window);
}

void on_stop_clicked(AppContext& context) {
    context.scan.stop(*context.main_window);
}

void on_timer_elapsed(AppContext& context) {
    context.scan.tick(context.main_window);
}

// The box is read as it stands when the button is pressed; cycles that
// finish later run after this handler, so their lines are not searched.
void on_lookup_clicked(AppContext& context) {
    runtime::Form& window = *context.main_window;
    scan::NumberLookup lookup(window.text(kLookupInput));
    window.visit_lines(scan::kAllNumbersBox,
                       [&lookup](std::string_view line) { return lookup.visit(line); });
    for (const std::string& caption : scan::lookup_captions(lookup.outcome())) {
        window.set_text(kLookupLabel, caption);
    }
}

// Blocks the user-interface thread for the one exchange, at most its time-out.
void on_network_test_clicked(AppContext& context) {
    const Services& services = context.services;
    const std::string_view message = scan::run_network_test(
        services.http, services.regex, services.clock, services.deployment.carrier_host);
    context.runtime.message_box(message);
}

}  // namespace qorvex::app
