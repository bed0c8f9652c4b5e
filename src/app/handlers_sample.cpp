#include "app/handlers.h"
#include "scan/pipeline.h"

namespace qorvex::app {

namespace {

// Sample numbers for trying the classifier without the carrier's service.
constexpr std::string_view kSampleNumbersBox = "编辑框161";

}  // namespace

// The debug button runs the sample numbers through the scan cycle's pipeline
// on the user-interface thread. It is no scan cycle: the scan controller's
// cycle-finished flag stays untouched.
void on_sample_run_clicked(AppContext& context) {
    if (!context.main_window) {
        return;
    }
    runtime::Form& form = *context.main_window;
    const std::string subject = form.text(kSampleNumbersBox);
    scan::run_pipeline(form, context.services.regex, subject, scan::read_pipeline_choices(form));
}

}  // namespace qorvex::app
