#include "app/handlers.h"

namespace qorvex::app {

// FIXME: placeholders until their subsystem lands; each does nothing yet.
void on_province_selected(AppContext& /*context*/) {}
void on_city_chosen(AppContext& /*context*/) {}

}  // namespace qorvex::app
