#pragma once

// The handlers bound by the event table. Each reads components, calls the
// core of its subsystem and writes results back; they run on the
// user-interface thread only.

#include "app/app_context.h"

namespace qorvex::app {

// Main window (handlers_shell.cpp).
void on_main_window_created(AppContext& context);

// Region catalogue (handlers_region.cpp).
void on_province_selected(AppContext& context);
void on_city_chosen(AppContext& context);  // list item selected and got focus
void on_card_row_changed(AppContext& context);

// Small handlers of the main window (handlers_small.cpp).
void on_help_clicked(AppContext& context);
void on_code_display_clicked(AppContext& context);
void on_open_application_page_clicked(AppContext& context);
void on_clear_label_pressed(AppContext& context, int column);  // column 1 … 16

// Classifier sample run (handlers_sample.cpp).
void on_sample_run_clicked(AppContext& context);

// Scanning, number lookup and network test (handlers_scan.cpp).
void on_start_clicked(AppContext& context);
void on_stop_clicked(AppContext& context);
void on_timer_elapsed(AppContext& context);
void on_lookup_clicked(AppContext& context);
void on_network_test_clicked(AppContext& context);

// Update check and the notice window (handlers_update.cpp).
void on_first_activation(AppContext& context);
void on_notice_created(AppContext& context);
void on_notice_confirm_clicked(AppContext& context);

}  // namespace qorvex::app
