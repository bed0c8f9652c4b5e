#pragma once

// A stored number as one CSV record, the same for the export and the web
// server's download: target, number, classes, first seen, last seen, times
// seen, with ISO times.

#include <string>

#include "hunt/store.h"

namespace qorvex::hunt {

std::string number_csv_header();
std::string number_csv_record(const NumberRow& row);

}  // namespace qorvex::hunt
