#include "app/handlers.h"

namespace qorvex::app {

// FIXME: placeholders until their subsystem lands; each does nothing yet.
void on_first_activation(AppContext& /*context*/) {}
void on_notice_created(AppContext& /*context*/) {}
void on_notice_confirm_clicked(AppContext& /*context*/) {}

}  // namespace qorvex::app
