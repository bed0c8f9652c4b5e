#include "app/handlers.h"

namespace qorvex::app {

// FIXME: placeholders until their subsystem lands; each does nothing yet.
void on_sample_run_clicked(AppContext& /*context*/) {}

}  // namespace qorvex::app
