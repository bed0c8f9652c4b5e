#pragma once

// One search with a new VBScript.RegExp instance, on a thread where COM is
// initialised: the options are set, the pattern given, the subject executed,
// and the match collection read out into plain values.

#include <optional>
#include <string>
#include <vector>

namespace qorvex::rx {

struct VbscriptQuery {
    std::wstring pattern;
    bool ignore_case = true;
    bool multi_line = true;
    bool global = true;
    std::wstring subject;
};

struct VbscriptMatch {
    long first_index = 0;  // in UTF-16 code units
    long length = 0;
    // The text of each capture group; nothing for a group that took no part.
    std::vector<std::optional<std::wstring>> groups;
};

// Nothing when the component cannot be made or rejects the pattern.
std::optional<std::vector<VbscriptMatch>> run_vbscript_search(const VbscriptQuery& query);

}  // namespace qorvex::rx
