#pragma once

// The regular-expression grammar of the Windows engine, VBScript.RegExp:
// ECMAScript's as its third edition has it, read as leniently as browsers
// read it (a brace or bracket that opens nothing is a literal character, an
// escape of a character with no meaning is that character). Later editions
// of ECMAScript added look-behind and named groups, and engines in the Perl
// tradition, PCRE2 among them, also read possessive quantifiers, atomic
// groups, inline flags, comments, verbs, recursion and conditionals: the
// Windows engine rejects all of these, so an engine that stands in for it
// rejects them too, and a pattern means the same on every platform.

#include <optional>
#include <string>
#include <string_view>

namespace qorvex::rx {

// Whether `pattern` is built only of what the Windows engine accepts:
// characters, escapes, classes, groups, non-capturing groups, look-aheads,
// alternation, the anchors and the quantifiers *, +, ?, {n}, {n,} and {n,m},
// each perhaps lazy, after something that can be repeated.
bool follows_vbscript_grammar(std::string_view pattern);

// `pattern` spelt so that PCRE2, with the options that bring it to
// ECMAScript's rules, reads it as the Windows engine does; nothing when the
// Windows engine rejects it. Escapes of letters that mean nothing in
// ECMAScript stand for the letters themselves (PCRE2 reads \h, \R, \K, \Q,
// \E, \A, \z, \p{..} and more as its own escapes), \v is the vertical tab
// alone, and a "[" inside a class is a plain character (never "[:digit:]").
std::optional<std::string> perl_spelling_of(std::string_view pattern);

}  // namespace qorvex::rx
