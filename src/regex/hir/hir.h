// High-level intermediate representation (HIR) of one regular expression.
//
// The syntax layer (syntax/) parses a pattern written in the Rust `regex`
// dialect and translates it into this form; the engines (re2_emit/, nfa/,
// fallback/) take it as their only input. By the time a pattern is an `Hir`:
//   * every flag is resolved: case-insensitive parts are already expanded by
//     simple case folding, `.` is a class, `^`/`$` are specific `Look`s;
//   * every class is a sorted list of disjoint, non-adjacent code point
//     ranges (an empty list is a class that matches nothing);
//   * the pattern can only match valid UTF-8 (the syntax layer refuses the
//     rest), so byte-level meaning never needs to be tracked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kc::regex::hir {

// An inclusive range of Unicode scalar values.
struct ClassRange {
  char32_t lo;
  char32_t hi;
  friend bool operator==(const ClassRange&, const ClassRange&) = default;
};

// Zero-width assertions. "Ascii" variants judge word characters by [0-9A-Za-z_];
// "Unicode" variants by the dialect's Unicode \w. "LF" variants are the
// multi-line anchors; "CRLF" the multi-line anchors in CRLF mode (?R).
enum class Look : std::uint8_t {
  Start,              // \A, and ^ without (?m)
  End,                // \z, and $ without (?m)
  StartLF,            // (?m)^
  EndLF,              // (?m)$
  StartCRLF,          // (?mR)^
  EndCRLF,            // (?mR)$
  WordAscii,          // (?-u:\b)
  WordAsciiNegate,    // (?-u:\B)
  WordUnicode,        // \b
  WordUnicodeNegate,  // \B
  WordStartAscii,     // (?-u:\b{start}), (?-u:\<)
  WordEndAscii,       // (?-u:\b{end}), (?-u:\>)
  WordStartUnicode,   // \b{start}, \<
  WordEndUnicode,     // \b{end}, \>
  WordStartHalfAscii,
  WordEndHalfAscii,
  WordStartHalfUnicode,  // \b{start-half}
  WordEndHalfUnicode,    // \b{end-half}
};

// True for the Unicode-aware word assertions (the ones RE2 cannot express
// exactly on non-ASCII text).
bool is_unicode_word_look(Look look);
// True for \b{start}, \b{end}, the half forms, \< and \> in either mode.
bool is_special_word_look(Look look);
// True for StartCRLF and EndCRLF.
bool is_crlf_look(Look look);

enum class Kind : std::uint8_t {
  Empty,        // matches the empty string
  Literal,      // `literal`: one or more characters, UTF-8
  Class,        // `ranges`
  Look,         // `look`
  Repetition,   // `subs[0]` repeated `min`..`max` times (no max: unbounded)
  Capture,      // `subs[0]` in a capturing group `capture_index` (1-based), `capture_name` or empty
  Concat,       // `subs` in order, at least two
  Alternation,  // `subs`, preferring earlier ones (leftmost-first), at least two
};

// One node. A plain tagged struct: only the fields of its `kind` are meaningful.
// Copyable and movable; trees own their children by value.
struct Hir {
  Kind kind = Kind::Empty;
  std::string literal;
  std::vector<ClassRange> ranges;
  Look look = Look::Start;
  std::uint32_t min = 0;
  std::optional<std::uint32_t> max;
  bool greedy = true;
  std::uint32_t capture_index = 0;
  std::string capture_name;
  std::vector<Hir> subs;

  static Hir empty();
  static Hir literal_of(std::string utf8);
  static Hir class_of(std::vector<ClassRange> ranges);
  static Hir look_of(Look look);
  // `sub` repeated min..max times, simplified as the crate does: a sub that
  // only matches the empty string is repeated at most once, {0} gives Empty
  // and {1} gives `sub` itself.
  static Hir repetition(Hir sub, std::uint32_t min, std::optional<std::uint32_t> max, bool greedy);
  static Hir capture(Hir sub, std::uint32_t index, std::string name);
  // Concat / alternation of `subs`; with zero subs gives Empty (concat) or an empty
  // class (alternation), with one gives that sub itself.
  static Hir concat(std::vector<Hir> subs);
  static Hir alternation(std::vector<Hir> subs);
};

// Queries the engine layer uses to pick an engine for a pattern.
bool contains_special_word_look(const Hir& hir);
bool contains_crlf_look(const Hir& hir);

// `hir` with every assertion for which `drop(look)` is true replaced by Empty.
// The result matches a superset of what `hir` matches, with each match of
// `hir` also a match of the result; used as a prefilter.
Hir without_looks(const Hir& hir, bool (*drop)(Look));

}  // namespace kc::regex::hir
