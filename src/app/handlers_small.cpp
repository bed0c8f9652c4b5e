#include "app/handlers.h"

namespace qorvex::app {

// FIXME: placeholders until their subsystem lands; each does nothing yet.
void on_help_clicked(AppContext& /*context*/) {}
void on_code_display_clicked(AppContext& /*context*/) {}
void on_open_application_page_clicked(AppContext& /*context*/) {}
void on_clear_label_pressed(AppContext& /*context*/, int /*column*/) {}

}  // namespace qorvex::app
