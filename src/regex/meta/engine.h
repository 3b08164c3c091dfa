// One pattern compiled for every engine that may run it, and the choice
// between them per text.
//
// RE2 runs the pattern when the emitted RE2 pattern is exact for the text:
// always, when the pattern has no Unicode word assertion, no special word
// assertion and no CRLF anchor; on ASCII-only text, when its only inexact
// assertions are Unicode \b and \B. Otherwise the Pike VM runs over the
// code point NFA, skipping text where the pattern with those assertions
// removed (run by RE2) finds nothing.
//
// Long counted repetitions of a class with multi-byte characters, entered
// only after the match has consumed something (ŵ\P{Han}{1000,}), are the
// exception: the copies live at a position form a new set almost every byte,
// so RE2's DFA makes a state per byte, each costing every live copy's UTF-8
// branches, and finding where a match starts repeats that backwards. The
// Pike VM runs them first, at a cost per character of its live threads (a
// scan for the bytes a match can begin with skips ahead while none is
// live); when they all die young the DFA does see its states again, and the
// text moves to RE2 if RE2 is exact for it.
//
// Where RE2 runs and every match begins with one of a few literal prefixes
// (prefilter.h), find scans for them and runs RE2 anchored at each place.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include <re2/re2.h>

#include "regex/fallback/first_bytes.h"
#include "regex/fallback/pikevm.h"
#include "regex/meta/class_scan.h"
#include "regex/hir/hir.h"
#include "regex/meta/pool.h"
#include "regex/meta/prefilter.h"
#include "regex/nfa/nfa.h"
#include "util/span.h"

namespace kc::regex::meta {

// RE2 options for emitted patterns: UTF-8, leftmost-first, quiet, no
// captures, and memory enough that the DFA does not give up on large patterns.
RE2::Options re2_options();

// True if `text` has no byte >= 0x80.
bool is_ascii(std::string_view text);
// What a search of `text` by `re`, a pattern exact on ASCII text only
// (Unicode \b and \B under ASCII rules), settles without first reading the
// whole text to see whether it is ASCII: a match, when the leftmost one and
// the byte on each side of it are ASCII (its assertions read nothing else);
// no match, when the text is ASCII; otherwise only that the text is not
// ASCII. Text that is not ASCII in its first few KB seldom is further on, so
// it is reported as such without a search.
enum class AsciiRules { Match, NoMatch, NotAscii };
AsciiRules search_under_ascii_rules(const RE2& re, std::string_view text);

// True if `look` is an assertion RE2 cannot express exactly on every text.
bool is_inexact_look(hir::Look look);

class Engine {
  struct LazyRe2;

 public:
  // Compiles `hir` for every engine it can use. Precondition: its program
  // size is within the size limit. Neither copyable nor movable.
  explicit Engine(const hir::Hir& hir);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine();

  // The engine choice and scratch for searching one text. Holds scratch
  // leased from the engine until destroyed; one thread at a time. Movable.
  class Search {
   public:
    Search(const Engine& engine, std::string_view text);
    Search(Search&&) noexcept = default;
    ~Search();
    // The leftmost-first match starting at or after `from` (a character
    // boundary), with the whole text as context; nullopt if none.
    std::optional<Span> find(std::size_t from);
    // True if the pattern matches anywhere.
    bool is_match();

   private:
    std::optional<Span> run(std::size_t from, bool earliest);
    // The engine for a pattern exact on ASCII text only, chosen once whether
    // the text is ASCII is known: until then `ascii_pending_` is set.
    void choose(bool ascii);
    // Leases the Pike VM's scratch; `prefiltered`: may skip text by RE2.
    void use_fallback(bool prefiltered);
    // The Pike VM for a pattern it runs first, with the RE2 exact on this
    // text (if any) to take over when the VM's threads die young. RE2 is as
    // slow on the relaxed pattern: the prefilter, if any, scans for bytes.
    void use_fallback_first();
    // is_match while the choice is pending: true or false when the ASCII
    // pattern settles it without reading the whole text, else nullopt.
    std::optional<bool> ascii_is_match();
    // The leftmost-first match at or after `from` among the prefilter's
    // candidates, each tried by `re2_` anchored there.
    std::optional<Span> find_by_literals(std::size_t from);
    // `re2_`'s leftmost-first match at or after `from`.
    std::optional<Span> find_unanchored(std::size_t from);
    const Engine* engine_;
    std::string_view text_;
    bool ascii_pending_ = false;
    bool ascii_ = false;             // true: the text is known to be ASCII
    bool literals_chosen_ = false;   // true: whether `literals_` applies is settled
    std::optional<LiteralPrefilter::Cursor> literals_;
    std::size_t literal_budget_ = 0;  // bytes the tries at candidates may still read
    std::size_t literal_tries_ = 0;
    std::size_t literal_first_ = 0;   // where the first try was
    const ClassScanner* scanner_ = nullptr;  // non-null: the pattern is one class (+)
    const RE2* re2_ = nullptr;  // non-null: RE2 is exact here
    const LazyRe2* handover_re2_ = nullptr;  // non-null: exact RE2 to move to if the VM gives up
    const fallback::Prefilter* prefilter_ = nullptr;
    std::optional<Pool<fallback::PikeVm::Cache>::Lease> cache_;
  };

  // True if RE2 is not the first choice for any text (see the file comment).
  bool pikevm_first() const { return pikevm_first_; }

  // A whole-text yes/no test.
  bool is_match(std::string_view text) const { return Search(*this, text).is_match(); }

  // RE2 patterns, empty when RE2 cannot express the pattern that way:
  // exact on every text; exact on ASCII text; with inexact assertions dropped.
  const std::string& exact_pattern() const { return exact_.pattern; }
  const std::string& ascii_pattern() const { return ascii_.pattern; }
  const std::string& relaxed_pattern() const { return relaxed_.pattern; }

 private:
  class RelaxedPrefilter;

  // An RE2 compiled on first use: a pattern in a RegexSet may never need
  // its own. Thread-safe.
  struct LazyRe2 {
    std::string pattern;
    mutable std::once_flag once;
    mutable std::unique_ptr<RE2> re;
    // The compiled pattern, or null if there is none or RE2 refuses it.
    const RE2* get() const;
  };

  std::optional<ClassScanner> scanner_;
  bool pikevm_first_ = false;
  // The VM's prefilter when it runs first; null if it would not pay.
  std::unique_ptr<fallback::FirstBytePrefilter> first_bytes_;

  // Gives `literals_` its viable-prefix pattern, or drops it if there is none.
  void set_viable(const hir::Hir& hir, re2_emit::TextAssumption assumption);

  std::optional<LiteralPrefilter> literals_;  // for find on the RE2 path
  LazyRe2 viable_;  // viable_prefixes of the pattern, set with `literals_`
  LazyRe2 exact_;
  LazyRe2 ascii_;
  LazyRe2 relaxed_;
  std::unique_ptr<RelaxedPrefilter> prefilter_;
  nfa::Nfa nfa_;
  fallback::PikeVm pikevm_;
  Pool<fallback::PikeVm::Cache> caches_;
};

}  // namespace kc::regex::meta
