#pragma once

// The one place that turns a --db value into a history store. A path names
// an SQLite file; a postgresql:// URI will name a shared server store.

#include <memory>
#include <string>

#include "hunt/store.h"

namespace qorvex::hunt_cli {

enum class StoreUse {
    Hunt,  // scan: a missing file is created
    Read,  // report, export: the history must exist; it is only read
};

// Throws hunt::StoreError when the store cannot be opened.
// `queue` names a shared store's local queue file (empty: its default).
std::unique_ptr<hunt::HuntStore> open_store(const std::string& db, StoreUse use,
                                            const std::string& queue = {});

}  // namespace qorvex::hunt_cli
