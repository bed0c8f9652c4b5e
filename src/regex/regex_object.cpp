#include "regex/regex_object.h"

#include <cstddef>
#include <utility>

#include "regex/substitution.h"

namespace qorvex::rx {

namespace {

std::string replace_quote_markers(std::string_view pattern) {
    std::string out;
    out.reserve(pattern.size());
    std::size_t from = 0;
    for (std::size_t at = pattern.find(kQuoteMarker); at != std::string_view::npos;
         at = pattern.find(kQuoteMarker, from)) {
        out += pattern.substr(from, at - from);
        out += '"';
        from = at + kQuoteMarker.size();
    }
    out += pattern.substr(from);
    return out;
}

}  // namespace

RegexObject::RegexObject(RegexEngine& engine) : m_engine(engine) {}

bool RegexObject::create(std::string_view pattern, std::string_view subject, bool case_sensitive,
                         bool multi_line, bool all_matches, bool replace_quote_marker) {
    return create_with(
        replace_quote_marker ? replace_quote_markers(pattern) : std::string(pattern), subject,
        CompileOptions{.case_sensitive = case_sensitive, .multi_line = multi_line}, all_matches);
}

bool RegexObject::create_user_pattern(std::string_view pattern, std::string_view subject) {
    return create_with(std::string(pattern), subject,
                       CompileOptions{.budget = SearchBudget::WorkAndProcessorTime}, true);
}

bool RegexObject::create_with(std::string pattern, std::string_view subject, CompileOptions options,
                              bool all_matches) {
    m_compiled.reset();
    m_matches.reset(0);
    m_searched = false;
    m_pattern = std::move(pattern);
    m_subject.assign(subject);

    m_compiled = m_engine.compile(m_pattern, options);
    if (!m_compiled) {
        return false;
    }
    const FindStatus status =
        m_compiled->find(m_subject, all_matches ? FindScope::All : FindScope::First, m_matches);
    if (status != FindStatus::Complete) {
        m_matches.reset(0);
        return false;
    }
    m_searched = true;
    return true;
}

int RegexObject::match_count() const {
    return static_cast<int>(m_matches.size());
}

bool RegexObject::has_match(int n) const {
    return n >= 1 && static_cast<std::size_t>(n) <= m_matches.size();
}

std::string_view RegexObject::match_view(int n) const {
    if (!has_match(n)) {
        return {};
    }
    return m_matches.span(static_cast<std::size_t>(n - 1)).text_in(m_subject);
}

std::string RegexObject::match_text(int n) const {
    return std::string(match_view(n));
}

std::string RegexObject::sub_match_text(int n, int k) const {
    if (!has_match(n) || k < 1 || static_cast<std::size_t>(k) > m_matches.group_count()) {
        return {};
    }
    const Span group = m_matches.span(static_cast<std::size_t>(n - 1), static_cast<std::size_t>(k));
    return std::string(group.text_in(m_subject));
}

int RegexObject::sub_match_count() const {
    return m_matches.empty() ? 0 : static_cast<int>(m_matches.group_count());
}

std::string RegexObject::get_pattern() const {
    return m_pattern;
}

std::string RegexObject::replace_all(std::string_view replacement) const {
    if (!m_searched) {
        return {};
    }
    const std::string_view subject = m_subject;
    std::string out;
    out.reserve(subject.size());
    std::size_t copied = 0;
    for (std::size_t i = 0; i < m_matches.size(); ++i) {
        const Span whole = m_matches.span(i);
        out += subject.substr(copied, whole.begin - copied);
        append_substitution(out, replacement, subject, m_matches, i);
        copied = whole.end;
    }
    out += subject.substr(copied);
    return out;
}

}  // namespace qorvex::rx
