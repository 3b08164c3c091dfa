// A lexicon of category-tagged motifs, searched exactly and fuzzily.
//
// Motifs are lower-cased once at construction and compiled into one
// Aho-Corasick automaton; a search lower-cases the text the same way, so the
// only case folding is that of the full Unicode lower-case mapping.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "aho_corasick/aho_corasick.h"
#include "types/category_table.h"
#include "types/motif_match.h"
#include "util/span.h"

namespace kc::motif_matching {

// One motif of the lexicon; entry i is automaton pattern i.
struct MotifEntry {
  std::string motif;     // lower-cased
  std::string category;
  friend bool operator==(const MotifEntry&, const MotifEntry&) = default;
};

// One hit by entry index, the form in which a search collects its hits:
// callers that build their own objects (the Python binding) read the texts
// from motif_entries() and need no copies of them.
struct MotifHit {
  std::uint64_t position;  // bytes of the lower-cased text
  std::uint64_t length;
  std::uint32_t entry;  // index into motif_entries()
  std::uint32_t score;  // 100 for an exact hit, else the fuzzy score
  friend bool operator==(const MotifHit&, const MotifHit&) = default;
};

// The hits of one search, in order. It grows in place with std::realloc,
// which moves a large block by remapping its pages instead of copying them:
// a dense text gives a hit every few bytes, and a vector's regrowth would
// copy every hit and touch twice the memory. Move-only; a failed growth
// throws std::bad_alloc.
class HitList {
 public:
  HitList() = default;
  HitList(HitList&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        capacity_(std::exchange(other.capacity_, 0)) {}
  HitList& operator=(HitList other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    return *this;
  }
  ~HitList() { std::free(data_); }

  void push_back(const MotifHit& hit) {
    if (size_ == capacity_) grow();
    data_[size_++] = hit;
  }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const MotifHit& operator[](std::size_t i) const { return data_[i]; }
  MotifHit* begin() { return data_; }
  MotifHit* end() { return data_ + size_; }
  const MotifHit* begin() const { return data_; }
  const MotifHit* end() const { return data_ + size_; }

 private:
  void grow() {
    const std::size_t capacity = capacity_ < 64 ? 64 : capacity_ * 2;
    void* grown = std::realloc(data_, capacity * sizeof(MotifHit));
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<MotifHit*>(grown);
    capacity_ = capacity;
  }

  MotifHit* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// An immutable motif matcher. Any number of threads may search one matcher at
// once. Movable, not copyable.
class MotifMatcher {
 public:
  // The window and step of get_match_positions, in characters.
  static constexpr std::uint64_t kPositionsWindow = 50;
  static constexpr std::uint64_t kPositionsStep = 25;
  // The score of an exact hit.
  static constexpr std::uint32_t kExactScore = 100;

  // Builds a matcher from `motifs` (consumed). Entries follow the table's
  // byte-wise order of category names, and within a category the list order;
  // every motif is lower-cased as a whole string (Final_Sigma applied) and
  // kept as is otherwise: empty and duplicate motifs become entries of their
  // own. `threshold` (lowest accepted fuzzy score; above 100 nothing fuzzy
  // passes) and `use_fuzzy` are stored unchanged. Fails only when the
  // automaton refuses the pattern set (extreme sizes).
  static std::variant<MotifMatcher, aho_corasick::BuildError> New(CategoryTable motifs, std::uint32_t threshold,
                                                                  bool use_fuzzy);

  MotifMatcher(MotifMatcher&&) noexcept = default;
  MotifMatcher& operator=(MotifMatcher&&) noexcept = default;
  MotifMatcher(const MotifMatcher&) = delete;
  MotifMatcher& operator=(const MotifMatcher&) = delete;

  // Why find_matches refuses `step`, or nullptr when it accepts it. With
  // fuzzy matching on, a step of 0 would never advance the window; callers
  // check this before searching and report the message themselves.
  const char* step_error(std::uint64_t step) const;

  // Every hit in `text` (valid UTF-8), ascending by position (stable: at one
  // position the exact hit, then fuzzy hits by entry order). Positions and
  // lengths are bytes of the lower-cased text; `window_size` and `step` count
  // its characters and matter only with fuzzy matching on.
  //
  // Exact pass: the automaton's non-overlapping standard-semantics matches,
  // score 100. Fuzzy pass, for each entry without an exact hit: windows of
  // `window_size` characters starting every `step` characters; a window of at
  // least 10 bytes whose partial_ratio with the motif reaches the threshold
  // yields a hit at the motif's first occurrence in the window, or centred on
  // the window when absent, cut at the window's end; one hit per position.
  //
  // Preconditions: step_error(step) is nullptr, else the call panics with
  // that message where it would loop forever. A window end beyond 2^64 - 1
  // panics with "slice index starts at {start} but ends at {wrapped end}".
  std::vector<MotifMatch> find_matches(std::string_view text, std::uint64_t window_size,
                                       std::uint64_t step) const;

  // The hits of find_matches, in the same order, by entry index: record k of
  // find_matches is entry hits[k].entry with hits[k]'s position, length and
  // score. Same preconditions and panics.
  HitList find_hits(std::string_view text, std::uint64_t window_size, std::uint64_t step) const;

  // The merged byte spans covered by find_matches(text, 50, 25): ascending,
  // no two overlapping or touching.
  std::vector<Span> get_match_positions(std::string_view text) const;

  const std::vector<MotifEntry>& motif_entries() const { return entries_; }
  // Entries of one category share one id; ids run from 0 to
  // category_count() - 1 in entry order.
  std::uint32_t category_id(std::size_t entry) const { return category_ids_[entry]; }
  std::size_t category_count() const { return category_count_; }
  const aho_corasick::AhoCorasick& automaton() const { return automaton_; }
  std::uint32_t threshold() const { return threshold_; }
  bool use_fuzzy() const { return use_fuzzy_; }

 private:
  MotifMatcher(aho_corasick::AhoCorasick automaton, std::vector<MotifEntry> entries, std::uint32_t threshold,
               bool use_fuzzy);

  // Lower-cases `text` and calls `on_match(const aho_corasick::Match&)` for
  // each exact hit, in ascending position (starts strictly increase).
  template <class F>
  void scan_exact(std::string_view text, F&& on_match) const;

  // Appends the fuzzy hits of every entry not marked in `exact`, entry by
  // entry, each entry's hits in window order.
  void fuzzy_pass(const std::string& lowered, const std::vector<bool>& exact, std::uint64_t window_size,
                  std::uint64_t step, HitList& out) const;

  aho_corasick::AhoCorasick automaton_;
  std::vector<MotifEntry> entries_;
  std::vector<std::uint32_t> category_ids_;
  std::size_t category_count_ = 0;
  std::uint32_t threshold_;
  bool use_fuzzy_;
};

}  // namespace kc::motif_matching
