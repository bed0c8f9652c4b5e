#include "regex/regex_engine.h"

namespace qorvex::rx {

namespace {

unsigned option_bits(CompileOptions options) {
    const bool timed = options.budget == SearchBudget::WorkAndProcessorTime;
    return (options.case_sensitive ? 1U : 0U) | (options.multi_line ? 2U : 0U) | (timed ? 4U : 0U);
}

}  // namespace

std::shared_ptr<const CompiledPattern> RegexEngine::compile(std::string_view pattern,
                                                            CompileOptions options) {
    const unsigned bits = option_bits(options);
    if (auto cached = m_cache.find(pattern, bits)) {
        return cached;
    }
    auto compiled = compile_uncached(pattern, options);
    // Rejected patterns are not kept: they cost little to reject again.
    if (compiled) {
        m_cache.insert(pattern, bits, compiled);
    }
    return compiled;
}

}  // namespace qorvex::rx
