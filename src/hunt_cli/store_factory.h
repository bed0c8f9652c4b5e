#pragma once

// The one place that turns a --db value into a history store. A path names
// an SQLite file; a postgresql:// URI will name a shared server store.

#include <memory>
#include <string>

#include "hunt/history_reader.h"
#include "hunt/store.h"

namespace qorvex::hunt_cli {

enum class StoreUse {
    Hunt,  // scan: a missing file is created
    Read,  // report, export: the history must exist; it is only read
    // notify-retry: an existing history is changed (and migrated), never
    // created, so a mistyped path is an error, not a new empty history.
    Change,
};

// What a shared store needs to know of the hunter that opens it.
struct HunterSettings {
    std::string id;                 // the hunter's name on the server
    hunt::ClassMask alert_classes;  // its --alert classes
    std::string queue;              // its local queue file (empty: the default)
};

// Throws hunt::StoreError when the store cannot be opened. A hunt passes
// its hunter's settings; report and export open a shared store only to
// read it.
std::unique_ptr<hunt::HuntStore> open_store(const std::string& db, StoreUse use,
                                            const HunterSettings& hunter = {});

// A read-only view of the history for the web server, on a connection of
// its own. Throws hunt::StoreError when it cannot be opened.
std::unique_ptr<hunt::HistoryReader> open_history_reader(const std::string& db);

// True while a store still has work running on a thread of its own (a
// connection attempt): the program must then end without static destructors.
bool store_work_running();

}  // namespace qorvex::hunt_cli
