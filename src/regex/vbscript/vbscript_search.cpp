#include "regex/vbscript/vbscript_search.h"

#include "regex/vbscript/automation.h"

namespace qorvex::rx {

namespace {

constexpr const wchar_t* kRegExpProgId = L"VBScript.RegExp";

std::optional<VbscriptMatch> read_match(Automation& match) {
    const std::optional<Variant> first = match.get(L"FirstIndex");
    const std::optional<Variant> length = match.get(L"Length");
    const std::optional<Variant> groups = match.get(L"SubMatches");
    if (!first || !length || !groups) {
        return std::nullopt;
    }
    VbscriptMatch result;
    result.first_index = first->to_long().value_or(0);
    result.length = length->to_long().value_or(0);
    Automation sub_matches(groups->to_object());
    const long count = sub_matches.get(L"Count").value_or(Variant()).to_long().value_or(0);
    for (long k = 0; k < count; ++k) {
        Variant index = Variant::of_int(static_cast<int>(k));
        std::optional<Variant> group = sub_matches.call(L"Item", {&index});
        // A group that took no part in the match reads as Empty.
        if (!group || group->is_empty()) {
            result.groups.emplace_back();
        } else {
            result.groups.push_back(group->to_text());
        }
    }
    return result;
}

}  // namespace

std::optional<std::vector<VbscriptMatch>> run_vbscript_search(const VbscriptQuery& query) {
    std::optional<Automation> regexp = Automation::create(kRegExpProgId);
    if (!regexp || !regexp->put(L"IgnoreCase", Variant::of_bool(query.ignore_case)) ||
        !regexp->put(L"Multiline", Variant::of_bool(query.multi_line)) ||
        !regexp->put(L"Global", Variant::of_bool(query.global)) ||
        !regexp->put(L"Pattern", Variant::of_text(query.pattern))) {
        return std::nullopt;
    }
    Variant subject = Variant::of_text(query.subject);
    // An invalid pattern is refused here, when the engine first compiles it.
    std::optional<Variant> collection = regexp->call(L"Execute", {&subject});
    if (!collection || !collection->to_object()) {
        return std::nullopt;
    }
    Automation matches(collection->to_object());
    const std::optional<Variant> count = matches.get(L"Count");
    if (!count) {
        return std::nullopt;
    }
    std::vector<VbscriptMatch> result;
    const long total = count->to_long().value_or(0);
    result.reserve(static_cast<std::size_t>(total > 0 ? total : 0));
    for (long n = 0; n < total; ++n) {
        Variant index = Variant::of_int(static_cast<int>(n));
        std::optional<Variant> item = matches.call(L"Item", {&index});
        if (!item || !item->to_object()) {
            return std::nullopt;
        }
        Automation match(item->to_object());
        std::optional<VbscriptMatch> read = read_match(match);
        if (!read) {
            return std::nullopt;
        }
        result.push_back(std::move(*read));
    }
    return result;
}

}  // namespace qorvex::rx
