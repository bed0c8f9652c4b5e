#pragma once

// `qorvex-hunt report` and `qorvex-hunt export`: what a history holds, as a
// summary for people or as rows for other programs.

#include <optional>
#include <string>
#include <vector>

namespace qorvex::hunt_cli {

// `json`: one JSON object per target and line, with the text's fields.
int run_report(const std::string& db, bool json);

struct ExportOptions {
    std::string db;
    std::string format = "csv";  // csv or json
    std::vector<std::string> classes;
    std::optional<std::string> target;
    std::optional<std::string> since;
    std::optional<std::string> output;  // none: standard output
};

int run_export(const ExportOptions& options);

}  // namespace qorvex::hunt_cli
