#pragma once

// The sample numbers that 编辑框161 starts with: input for the classifier's
// debug run, one eleven-digit number per line.

#include <string>

namespace qorvex::app {

// The lines joined by "\r\n", with no line end after the last.
std::string sample_numbers_text();

}  // namespace qorvex::app
