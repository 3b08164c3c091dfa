// Compiled regular expressions in the Rust `regex` dialect.
//
// `Regex` and `RegexSet` are the only types the kernels use. They compile a
// pattern through the syntax layer into an HIR, then pick an engine: RE2 on the
// emitted pattern when it matches exactly, otherwise the linear-time fallback
// (prefiltered by RE2). Every search is linear in the text; there is no
// backtracking engine. Both types are immutable after construction and may be
// searched from several threads at once; each search uses its own scratch.
//
// Texts are valid UTF-8; offsets are byte offsets into them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "regex/error.h"

namespace kc::regex {

namespace meta {
struct Factory;
}

class Regex {
 public:
  // Compiles `pattern` with the crate's default options (Unicode on, UTF-8).
  // Errors carry the crate's display text.
  static Result<Regex> compile(std::string_view pattern);

  Regex(Regex&&) noexcept;
  Regex& operator=(Regex&&) noexcept;
  Regex(const Regex&) = delete;
  Regex& operator=(const Regex&) = delete;
  ~Regex();

  // True if the pattern matches anywhere in `text`.
  bool is_match(std::string_view text) const;

  // Calls `on_match(start, end)` for each successive non-overlapping
  // leftmost-first match, with the crate's rule for empty matches: an empty
  // match where the previous match ended is skipped, and no match starts or
  // ends inside a character. If `on_match` returns bool, false stops the walk
  // at once: no further search is made.
  template <class F>
  void find_iter(std::string_view text, F&& on_match) const {
    find_iter_impl(text, &on_match, [](void* ctx, std::size_t s, std::size_t e) -> bool {
      auto& f = *static_cast<std::remove_reference_t<F>*>(ctx);
      if constexpr (std::is_same_v<std::invoke_result_t<decltype(f), std::size_t, std::size_t>, bool>) {
        return f(s, e);
      } else {
        f(s, e);
        return true;
      }
    });
  }

  // The number of matches find_iter would report; allocates nothing per match.
  std::size_t count(std::string_view text) const;

  struct Impl;

 private:
  friend struct meta::Factory;
  friend class RegexSet;
  explicit Regex(std::unique_ptr<Impl> impl);
  void find_iter_impl(std::string_view text, void* ctx,
                      bool (*cb)(void*, std::size_t, std::size_t)) const;
  std::unique_ptr<Impl> impl_;
};

class RegexSet {
 public:
  // Compiles every pattern as one set (an empty list is valid and never
  // matches). Errors as for Regex::compile, for the first failing pattern.
  static Result<RegexSet> compile(const std::vector<std::string>& patterns);

  RegexSet(RegexSet&&) noexcept;
  RegexSet& operator=(RegexSet&&) noexcept;
  RegexSet(const RegexSet&) = delete;
  RegexSet& operator=(const RegexSet&) = delete;
  ~RegexSet();

  // True if any pattern matches anywhere in `text`; may stop at the first.
  bool is_match(std::string_view text) const;
  // The indices of every pattern that matches anywhere in `text`, ascending.
  std::vector<std::size_t> matches(std::string_view text) const;
  // The number of patterns.
  std::size_t size() const;

  // Pattern `index` alone, as Regex::compile gives it from the same text,
  // sharing this set's compiled form of it (which stays alive as long as
  // either does). Precondition: index < size().
  Regex regex(std::size_t index) const;

  struct Impl;

 private:
  friend struct meta::Factory;
  explicit RegexSet(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace kc::regex
