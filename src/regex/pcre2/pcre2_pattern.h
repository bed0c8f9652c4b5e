#pragma once

// One compiled PCRE2 pattern and the search loop that finds its matches the
// way ECMAScript does. Internal to the PCRE2 back end.

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstddef>
#include <memory>
#include <string_view>

#include "regex/pcre2/pcre2_engine.h"
#include "regex/regex_engine.h"

namespace qorvex::rx {

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;

class Pcre2Pattern final : public CompiledPattern {
public:
    Pcre2Pattern(CodePtr code, const Pcre2Settings& settings, SearchBudget budget);

    std::size_t group_count() const override { return m_group_count; }
    bool accelerated() const override { return m_accelerated; }
    FindStatus find(std::string_view subject, FindScope scope, MatchList& matches) const override;

private:
    CodePtr m_code;
    Pcre2Settings m_settings;
    SearchBudget m_budget;
    std::size_t m_group_count = 0;
    bool m_accelerated = false;
    bool m_may_start_at_line_feed = true;
};

}  // namespace qorvex::rx
