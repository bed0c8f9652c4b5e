#include "regex/pcre2/pcre2_engine.h"

#include <time.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "regex/pcre2/pcre2_pattern.h"
#include "regex/vbscript_grammar.h"

namespace qorvex::rx {

namespace {

struct CompileContextDeleter {
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};

// The options that bring PCRE2 to ECMAScript's rules:
// - UTF with invalid sequences allowed: an empty match moves on by a whole
//   character, and a reply with a stray byte is still searched.
// - MATCH_UNSET_BACKREF: a back-reference to a group that took no part
//   matches the empty text instead of failing.
// - ALT_BSUX: \uhhhh and \xhh as ECMAScript reads them, \U a plain U.
// - ALLOW_EMPTY_CLASS: [] matches nothing and [^] any character.
// - ALT_CIRCUMFLEX: a multi-line ^ also matches after a line end at the very end.
// - DOLLAR_ENDONLY without multi-line: $ only at the very end, never before
//   a final line end as in Perl.
// - USE_OFFSET_LIMIT: the search loop hands out starting positions in windows.
// - NEVER_BACKSLASH_C: \C could split a UTF-8 character.
std::uint32_t compile_options(CompileOptions options) {
    std::uint32_t bits = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_MATCH_UNSET_BACKREF |
                         PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_ALT_CIRCUMFLEX |
                         PCRE2_USE_OFFSET_LIMIT | PCRE2_NEVER_BACKSLASH_C;
    if (!options.case_sensitive) {
        bits |= PCRE2_CASELESS;
    }
    bits |= options.multi_line ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
    return bits;
}

class Pcre2Engine final : public RegexEngine {
public:
    explicit Pcre2Engine(Pcre2Settings settings)
        : m_settings(std::move(settings)), m_jit(m_settings.use_jit && pcre2_jit_available()) {}

protected:
    std::shared_ptr<const CompiledPattern> compile_uncached(std::string_view pattern,
                                                            CompileOptions options) override {
        // PCRE2 reads far more syntax than the Windows engine; a pattern the
        // Windows engine rejects is rejected here too, and one it reads
        // otherwise is spelt anew, so that it lists the same numbers on every
        // platform.
        const std::optional<std::string> spelt = perl_spelling_of(pattern);
        if (!spelt) {
            return nullptr;
        }
        const std::unique_ptr<pcre2_compile_context, CompileContextDeleter> context(
            pcre2_compile_context_create(nullptr));
        if (!context) {
            return nullptr;
        }
        // CR and LF are each a line end, as in ECMAScript. ANY would also
        // make form feed, vertical tab and NEL line ends.
        pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
        pcre2_set_bsr(context.get(), PCRE2_BSR_ANYCRLF);

        int error = 0;
        PCRE2_SIZE error_offset = 0;
        CodePtr code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(spelt->data()), spelt->size(),
                                   compile_options(options), &error, &error_offset, context.get()));
        if (!code) {
            return nullptr;
        }
        if (m_jit) {
            // A pattern the JIT cannot take is still matched by the interpreter.
            pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
        }
        return std::make_shared<Pcre2Pattern>(std::move(code), m_settings, options.budget);
    }

private:
    Pcre2Settings m_settings;
    bool m_jit;
};

}  // namespace

std::chrono::nanoseconds calling_thread_processor_time() {
    timespec now{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) {
        // No processor clock for threads: the wall clock stands in, which
        // never runs slower.
        return steady_time();
    }
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

bool pcre2_jit_available() {
    std::uint32_t available = 0;
    return pcre2_config(PCRE2_CONFIG_JIT, &available) >= 0 && available == 1;
}

std::unique_ptr<RegexEngine> make_pcre2_engine(Pcre2Settings settings) {
    return std::make_unique<Pcre2Engine>(std::move(settings));
}

}  // namespace qorvex::rx
