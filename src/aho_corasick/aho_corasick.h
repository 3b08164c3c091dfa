// Exact multi-literal search over bytes (Aho-Corasick) with standard match
// semantics.
//
// A search from byte offset `from` reports, among all pattern occurrences that
// start at or after `from`, the one that ends first; at equal ends the longest
// pattern; among identical patterns the lowest id. Iteration resumes where the
// reported match ended, and skips an empty match at the very offset where the
// previous match ended by one byte. Empty and duplicate patterns are allowed
// (an empty pattern matches at every offset, so nothing else is then found).
//
// Small automata are full DFAs over byte classes; large ones keep dense rows
// near the root and sparse rows with failure links deeper down. A byte-set
// prefilter skips text in which no match can start. Every search is linear in
// the text.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "aho_corasick/build_error.h"
#include "aho_corasick/byte_classes.h"
#include "aho_corasick/prefilter.h"
#include "aho_corasick/trie.h"

namespace kc::aho_corasick {

// One occurrence: pattern id and the byte range [start, end) of the text.
struct Match {
  std::uint32_t pattern;
  std::size_t start;
  std::size_t end;
  friend bool operator==(const Match&, const Match&) = default;
};

// Limits and tuning of a build. The defaults are what production uses; tests
// lower them to reach the error paths and the large-automaton form.
struct BuildOptions {
  std::uint64_t max_patterns = 0x7FFFFFFF;
  std::uint64_t max_states = 0x7FFFFFFF;
  // A full DFA is built when states x byte classes stays within this.
  std::uint64_t dfa_cell_budget = std::uint64_t{8} << 20;
};

class AhoCorasick {
 public:
  // Compiles `patterns` (pattern i gets id i). Fails only when the pattern
  // count or the state count would exceed `options`' limits.
  static std::variant<AhoCorasick, BuildError> build(const std::vector<std::string_view>& patterns,
                                                     const BuildOptions& options = {});

  AhoCorasick(const AhoCorasick&) = default;
  AhoCorasick& operator=(const AhoCorasick&) = default;
  AhoCorasick(AhoCorasick&&) noexcept = default;
  AhoCorasick& operator=(AhoCorasick&&) noexcept = default;

  std::size_t pattern_count() const { return pattern_count_; }
  // True when the searchable form is a full DFA (as opposed to the sparse form).
  bool is_dfa() const { return dfa_; }

  // The first match of a search that starts at `from` (see the file comment),
  // or none. Precondition: from <= text.size().
  std::optional<Match> find(std::string_view text, std::size_t from = 0) const;

  // Calls `on_match(const Match&)` for each successive non-overlapping match.
  template <class F>
  void find_iter(std::string_view text, F&& on_match) const {
    void* ctx = &on_match;
    const auto cb = [](void* c, const Match& m) { (*static_cast<std::remove_reference_t<F>*>(c))(m); };
    // Without an empty pattern the automaton is walked below, inlined with
    // the callback: a hit every few bytes (large lexicons over prose) would
    // otherwise pay a call and a fresh search each. A prefilter runs first
    // and hands over once it stops paying.
    if (empty_pattern_) {
      find_iter_impl(text, false, ctx, cb);
      return;
    }
    std::size_t from = 0;
    if (prefilter_) {
      from = find_iter_impl(text, true, ctx, cb);
      if (from > text.size()) return;
    }
    if (!dfa_) {
      // The sparse form: a reported match restarts the search at the root.
      const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
      const std::uint16_t* cls = classes_.data();
      std::uint32_t s = 0;
      for (std::size_t p = from; p < text.size();) {
        s = sparse_next(s, cls[bytes[p]]);
        ++p;
        const MatchInfo info = match_info_[s];
        if (info.pattern != kNone) {
          on_match(Match{info.pattern, p - info.len, p});
          s = 0;
        }
      }
      return;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::uint32_t* trans = trans_.data();
    const std::uint16_t* cls = classes_.data();
    const std::uint32_t start = start_;
    std::uint32_t s = start;
    // Blocks of bytes are walked without a branch on matches (hits come at
    // irregular distances, so the branch would mispredict on most), noting
    // each state entered and its end; the matches are read after. A match
    // state's row is the start state's, so no search needs a restart.
    constexpr std::size_t kBlock = 256;
    std::uint32_t entered[kBlock], ends[kBlock];
    for (std::size_t base = from; base < text.size(); base += kBlock) {
      const std::size_t limit = std::min(kBlock, text.size() - base);
      const unsigned char* block = bytes + base;
      std::size_t k = 0;
      for (std::size_t j = 0; j < limit; ++j) {
        s = trans[s + cls[block[j]]];
        entered[k] = s;
        ends[k] = static_cast<std::uint32_t>(j + 1);
        k += s < start;
      }
      for (std::size_t i = 0; i < k; ++i) {
        const MatchInfo info = match_info_[state_index(entered[i])];
        const std::size_t end = base + ends[i];
        on_match(Match{info.pattern, end - info.len, end});
      }
    }
  }

 private:
  // Prefilter bookkeeping of one iteration: it switches itself off when the
  // candidates come so densely that the scan costs more than it saves.
  struct PrefilterState {
    bool active = false;
    std::uint32_t calls = 0;
    std::uint64_t skipped = 0;
  };

  AhoCorasick() = default;
  std::optional<Match> find_at(std::string_view text, std::size_t from, PrefilterState& pf) const;
  std::optional<Match> find_dfa(const unsigned char* text, std::size_t len, std::size_t from,
                                PrefilterState& pf) const;
  std::optional<Match> find_sparse(const unsigned char* text, std::size_t len, std::size_t from,
                                   PrefilterState& pf) const;
  std::size_t skip(const unsigned char* text, std::size_t at, std::size_t len, PrefilterState& pf) const;
  // Iterates from offset 0 through find_at. With `until_prefilter_off` it
  // stops at the end of the first match reported after the prefilter has
  // switched itself off and returns that offset, where the caller resumes;
  // otherwise, or when the text ends first, it returns text.size() + 1.
  std::size_t find_iter_impl(std::string_view text, bool until_prefilter_off, void* ctx,
                             void (*cb)(void*, const Match&)) const;

  std::size_t pattern_count_ = 0;
  std::optional<std::uint32_t> empty_pattern_;  // lowest id of an empty pattern
  ByteClasses classes_;
  std::uint32_t stride_ = 1;  // number of byte classes
  std::uint64_t stride_reciprocal_ = std::uint64_t{1} << 48;  // 2^48 / stride_, rounded up
  bool dfa_ = true;
  // The match reported on entering a state: its pattern (kNone for none) and length.
  struct MatchInfo {
    std::uint32_t pattern;
    std::uint32_t len;
  };
  // The sparse form's transition from state `s` on byte class `c`, failure
  // links followed.
  std::uint32_t sparse_next(std::uint32_t s, std::uint16_t c) const {
    for (;;) {
      if (s < num_dense_) return dense_[std::size_t{s} * stride_ + c];
      for (std::uint32_t k = sparse_begin_[s], e = sparse_begin_[s + 1]; k < e; ++k)
        if (sparse_cls_[k] == c) return sparse_next_[k];
      s = fail_[s];
    }
  }

  // The state number of a premultiplied DFA id, id / stride_, by a multiply:
  // with ids below 2^32 and strides up to 256, rounding up 2^48 / stride_
  // leaves an error too small to change the quotient.
  std::uint32_t state_index(std::uint32_t id) const {
    __extension__ using Wide = unsigned __int128;
    return static_cast<std::uint32_t>((static_cast<Wide>(id) * stride_reciprocal_) >> 48);
  }

  // Indexed by state number; in the full DFA only the match states have entries.
  std::vector<MatchInfo> match_info_;
  // Full DFA: entries are premultiplied (state id x stride_). Match states are
  // numbered first, then the start state, so "id <= start" flags both. A
  // match state's row is the start state's.
  std::vector<std::uint32_t> trans_;
  std::uint32_t start_ = 0;
  // Sparse form: states in breadth-first order, root 0; the first num_dense_
  // have full rows in dense_ (plain ids), the others sorted sparse rows.
  std::uint32_t num_dense_ = 0;
  std::vector<std::uint32_t> dense_;
  std::vector<std::uint32_t> sparse_begin_;
  std::vector<std::uint16_t> sparse_cls_;
  std::vector<std::uint32_t> sparse_next_;
  std::vector<std::uint32_t> fail_;
  std::optional<BytePrefilter> prefilter_;
};

}  // namespace kc::aho_corasick
