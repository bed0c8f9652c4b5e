#include "app/handlers.h"
#include "region/city_code_lookup.h"
#include "region/province_selection.h"

namespace qorvex::app {

void on_province_selected(AppContext& context) {
    region::select_province(*context.main_window, context.region_codes);
}

void on_city_chosen(AppContext& context) {
    region::look_up_city_code(*context.main_window, context.region_codes);
}

void on_card_row_changed(AppContext& context) {
    region::follow_card_row(*context.main_window, context.region_codes);
}

}  // namespace qorvex::app
