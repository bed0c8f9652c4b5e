#include "app/handlers.h"

namespace qorvex::app {

// FIXME: placeholders until their subsystem lands; each does nothing yet.
void on_start_clicked(AppContext& /*context*/) {}
void on_stop_clicked(AppContext& /*context*/) {}
void on_timer_elapsed(AppContext& /*context*/) {}
void on_lookup_clicked(AppContext& /*context*/) {}
void on_network_test_clicked(AppContext& /*context*/) {}

}  // namespace qorvex::app
