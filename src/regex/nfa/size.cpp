// Replays the reference library's NFA construction to measure its memory.
#include "regex/nfa/size.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "regex/hir/class_set.h"
#include "unicode/ucd_sets.h"
#include "unicode/utf8.h"

namespace kc::regex::nfa {

namespace {

using hir::ClassRange;
using hir::Hir;
using hir::Kind;

// The builder's memory: every state takes a 32-byte tagged union; a sparse
// state owns 8 bytes per byte-range transition and a union 4 per alternative.
constexpr std::uint64_t kStateBytes = 32;
constexpr std::uint64_t kTransitionBytes = 8;
constexpr std::uint64_t kAlternateBytes = 4;
// Slots of the two caches that share states between UTF-8 sequences: a
// collision evicts, so which lookups hit depends on the state numbers.
constexpr std::size_t kNodeCacheSlots = 10000;
constexpr std::size_t kSuffixCacheSlots = 1000;

// ---------------------------------------------------------------------------
// UTF-8 sequences of a class: each is up to four byte ranges, in ascending
// order, as the library splits code point ranges.

struct Sequence {
  int len = 0;
  std::array<std::uint8_t, 4> lo{};
  std::array<std::uint8_t, 4> hi{};
};

void split_utf8(char32_t lo, char32_t hi, std::vector<Sequence>& out) {
  if (lo > hi) return;
  if (lo < 0xE000 && hi > 0xD7FF) {  // surrogates have no encoding
    split_utf8(lo, 0xD7FF, out);
    split_utf8(0xE000, hi, out);
    return;
  }
  for (char32_t boundary : {char32_t{0x7F}, char32_t{0x7FF}, char32_t{0xFFFF}}) {
    if (lo <= boundary && boundary < hi) {
      split_utf8(lo, boundary, out);
      split_utf8(boundary + 1, hi, out);
      return;
    }
  }
  if (hi >= 0x80) {
    for (int i = 1; i < 4; ++i) {
      const char32_t m = (char32_t{1} << (6 * i)) - 1;
      if ((lo & ~m) == (hi & ~m)) continue;
      if ((lo & m) != 0) {
        split_utf8(lo, lo | m, out);
        split_utf8((lo | m) + 1, hi, out);
        return;
      }
      if ((hi & m) != m) {
        split_utf8(lo, (hi & ~m) - 1, out);
        split_utf8(hi & ~m, hi, out);
        return;
      }
    }
  }
  char a[4], b[4];
  Sequence s;
  s.len = static_cast<int>(unicode::write_utf8(a, lo));
  unicode::write_utf8(b, hi);
  for (int i = 0; i < s.len; ++i) {
    s.lo[i] = static_cast<std::uint8_t>(a[i]);
    s.hi[i] = static_cast<std::uint8_t>(b[i]);
  }
  out.push_back(s);
}

// ---------------------------------------------------------------------------
// The library's form of a pattern. Its constructors simplify a little more
// than ours: alternations are flattened, alternatives that are all single
// characters or all classes become one class, and a prefix common to every
// alternative is taken out. Each of these changes the automaton.

bool same(const Hir& a, const Hir& b) {
  if (a.kind != b.kind || a.subs.size() != b.subs.size()) return false;
  switch (a.kind) {
    case Kind::Literal:
      return a.literal == b.literal;
    case Kind::Class:
      return a.ranges == b.ranges;
    case Kind::Look:
      return a.look == b.look;
    case Kind::Repetition:
      if (a.min != b.min || a.max != b.max || a.greedy != b.greedy) return false;
      break;
    case Kind::Capture:
      if (a.capture_index != b.capture_index || a.capture_name != b.capture_name) return false;
      break;
    default:
      break;
  }
  for (std::size_t i = 0; i < a.subs.size(); ++i)
    if (!same(a.subs[i], b.subs[i])) return false;
  return true;
}

// The library's tables are one Unicode version behind ours. Code points first
// assigned in the newest version were unassigned there, so a class held them
// exactly when it held the unassigned code points around them: \w did not,
// \D did. Each run of such code points is judged by the first unassigned
// code point after it (before it at the end of the code space), skipping
// noncharacters, whose properties differ.
struct NewestRun {
  ClassRange run;
  char32_t witness;
};

// Version names run V1_1 ... V17_0; the newest has the largest number.
int version_number(std::string_view name) {
  int major = 0, minor = 0;
  bool in_minor = false;
  for (char c : name.substr(1)) {
    if (c == '_') {
      in_minor = true;
    } else {
      int& part = in_minor ? minor : major;
      part = part * 10 + (c - '0');
    }
  }
  return major * 100 + minor;
}

const std::vector<NewestRun>& newest_runs() {
  static const std::vector<NewestRun> runs = [] {
    std::vector<NewestRun> out;
    const std::span<const unicode::NamedSet> ages = unicode::ages();
    const auto newest = std::max_element(ages.begin(), ages.end(), [](const auto& a, const auto& b) {
      return version_number(a.name) < version_number(b.name);
    });
    const auto categories = unicode::general_categories();
    const auto cn = std::find_if(categories.begin(), categories.end(),
                                 [](const unicode::NamedSet& s) { return s.name == "Unassigned"; });
    if (newest == ages.end() || cn == categories.end()) return out;
    auto plain = [](char32_t c) { return (c & 0xFFFE) != 0xFFFE && !(c >= 0xFDD0 && c <= 0xFDEF); };
    for (const unicode::Range& r : newest->ranges) {
      std::optional<char32_t> witness;
      for (auto u = cn->ranges.begin(); u != cn->ranges.end() && !witness; ++u)
        for (char32_t c = std::max<char32_t>(u->lo, r.hi + 1); c <= u->hi && !witness; ++c)
          if (plain(c)) witness = c;
      for (auto u = cn->ranges.rbegin(); u != cn->ranges.rend() && !witness; ++u)
        for (char32_t c = std::min<char32_t>(u->hi, r.lo - 1); c >= u->lo && c < r.lo && !witness; --c)
          if (plain(c)) witness = c;
      if (witness) out.push_back({{r.lo, r.hi}, *witness});
    }
    return out;
  }();
  return runs;
}

hir::Ranges as_in_library_tables(hir::Ranges ranges) {
  if (hir::is_ascii(ranges)) return ranges;
  hir::Ranges held, not_held;
  for (const NewestRun& n : newest_runs()) (hir::contains(ranges, n.witness) ? held : not_held).push_back(n.run);
  return hir::set_union(hir::set_difference(ranges, not_held), held);
}

struct RangesLess {
  bool operator()(const hir::Ranges& a, const hir::Ranges& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](const ClassRange& x, const ClassRange& y) {
      return x.lo != y.lo ? x.lo < y.lo : x.hi < y.hi;
    });
  }
};

// A class as the library compiles it: its UTF-8 sequences and their total
// number of byte ranges.
struct Utf8Class {
  std::vector<Sequence> sequences;
  std::uint64_t byte_ranges = 0;
};

// The work that depends only on a class's members, done once per distinct
// class: patterns repeat the same few (\w, \s, \b's neighbours, folded letters).
class ClassMemo {
 public:
  const hir::Ranges& library_ranges(const hir::Ranges& ours) {
    auto it = converted_.find(ours);
    if (it == converted_.end()) it = converted_.emplace(ours, as_in_library_tables(ours)).first;
    return it->second;
  }

  const Utf8Class& utf8(const hir::Ranges& ranges) {
    auto it = utf8_.find(ranges);
    if (it == utf8_.end()) {
      Utf8Class c;
      for (const ClassRange& r : ranges) split_utf8(r.lo, std::min<char32_t>(r.hi, 0x10FFFF), c.sequences);
      for (const Sequence& s : c.sequences) c.byte_ranges += s.len;
      it = utf8_.emplace(ranges, std::move(c)).first;
    }
    return it->second;
  }

 private:
  std::map<hir::Ranges, hir::Ranges, RangesLess> converted_;
  std::map<hir::Ranges, Utf8Class, RangesLess> utf8_;
};

Hir class_node(std::vector<ClassRange> ranges) {
  if (ranges.size() == 1 && ranges[0].lo == ranges[0].hi) {
    std::string s;
    unicode::append_utf8(s, ranges[0].lo);
    return Hir::literal_of(std::move(s));
  }
  return Hir::class_of(std::move(ranges));
}

Hir concat_node(std::vector<Hir> subs) {
  std::vector<Hir> out;
  auto push = [&](Hir h) {
    if (h.kind == Kind::Empty) return;
    if (h.kind == Kind::Literal && !out.empty() && out.back().kind == Kind::Literal) {
      out.back().literal += h.literal;
      return;
    }
    out.push_back(std::move(h));
  };
  for (Hir& h : subs) {
    if (h.kind == Kind::Concat) {
      for (Hir& sub : h.subs) push(std::move(sub));
    } else {
      push(std::move(h));
    }
  }
  if (out.empty()) return Hir::empty();
  if (out.size() == 1) return std::move(out[0]);
  Hir h;
  h.kind = Kind::Concat;
  h.subs = std::move(out);
  return h;
}

// The character a literal of exactly one character stands for.
std::optional<char32_t> single_char(const Hir& h) {
  if (h.kind != Kind::Literal || h.literal.empty()) return std::nullopt;
  std::size_t i = 0;
  char32_t c = unicode::decode_utf8(h.literal, i);
  if (i != h.literal.size()) return std::nullopt;
  return c;
}

Hir alternation_node(std::vector<Hir> subs);

// x y | x z as x (?:y | z); nullopt unless every alternative is a concatenation
// and they share at least their first element.
std::optional<Hir> lift_common_prefix(std::vector<Hir>& alts) {
  if (alts.size() < 2) return std::nullopt;
  for (const Hir& h : alts)
    if (h.kind != Kind::Concat) return std::nullopt;
  std::size_t len = alts[0].subs.size();
  for (std::size_t i = 1; i < alts.size() && len > 0; ++i) {
    std::size_t common = 0;
    const std::size_t limit = std::min(len, alts[i].subs.size());
    while (common < limit && same(alts[0].subs[common], alts[i].subs[common])) ++common;
    len = common;
  }
  if (len == 0) return std::nullopt;
  std::vector<Hir> prefix(std::make_move_iterator(alts[0].subs.begin()),
                          std::make_move_iterator(alts[0].subs.begin() + static_cast<std::ptrdiff_t>(len)));
  std::vector<Hir> suffixes;
  suffixes.reserve(alts.size());
  for (Hir& h : alts) {
    std::vector<Hir> rest(std::make_move_iterator(h.subs.begin() + static_cast<std::ptrdiff_t>(len)),
                          std::make_move_iterator(h.subs.end()));
    suffixes.push_back(concat_node(std::move(rest)));
  }
  prefix.push_back(alternation_node(std::move(suffixes)));
  return concat_node(std::move(prefix));
}

Hir alternation_node(std::vector<Hir> subs) {
  std::vector<Hir> alts;
  for (Hir& h : subs) {
    if (h.kind == Kind::Alternation) {
      for (Hir& sub : h.subs) alts.push_back(std::move(sub));
    } else {
      alts.push_back(std::move(h));
    }
  }
  if (alts.empty()) return Hir::class_of({});
  if (alts.size() == 1) return std::move(alts[0]);
  if (std::all_of(alts.begin(), alts.end(), [](const Hir& h) { return single_char(h).has_value(); })) {
    std::vector<ClassRange> chars;
    for (const Hir& h : alts) {
      char32_t c = *single_char(h);
      chars.push_back({c, c});
    }
    return class_node(hir::canonical(std::move(chars)));
  }
  if (std::all_of(alts.begin(), alts.end(), [](const Hir& h) { return h.kind == Kind::Class; })) {
    hir::Ranges all;
    for (const Hir& h : alts) all = hir::set_union(all, h.ranges);
    return class_node(std::move(all));
  }
  if (auto lifted = lift_common_prefix(alts)) return std::move(*lifted);
  Hir h;
  h.kind = Kind::Alternation;
  h.subs = std::move(alts);
  return h;
}

Hir library_form(const Hir& h, ClassMemo& memo) {
  switch (h.kind) {
    case Kind::Class:
      return class_node(memo.library_ranges(h.ranges));
    case Kind::Capture:
      return Hir::capture(library_form(h.subs[0], memo), h.capture_index, h.capture_name);
    case Kind::Repetition:
      return Hir::repetition(library_form(h.subs[0], memo), h.min, h.max, h.greedy);
    case Kind::Concat:
    case Kind::Alternation: {
      std::vector<Hir> subs;
      subs.reserve(h.subs.size());
      for (const Hir& sub : h.subs) subs.push_back(library_form(sub, memo));
      return h.kind == Kind::Concat ? concat_node(std::move(subs)) : alternation_node(std::move(subs));
    }
    default:
      return h;
  }
}

// ---------------------------------------------------------------------------
// Properties of the library's form that choose between constructions.

constexpr std::uint64_t kNoLen = ~std::uint64_t{0};  // no match at all / unbounded

std::uint64_t sat_add(std::uint64_t a, std::uint64_t b) { return a > kNoLen - 1 - b ? kNoLen - 1 : a + b; }
std::uint64_t sat_mul(std::uint64_t a, std::uint64_t b) {
  if (a == 0 || b == 0) return 0;
  return a > (kNoLen - 1) / b ? kNoLen - 1 : a * b;
}

// The shortest (or longest) match in bytes; kNoLen if nothing matches, or
// for the longest if it is unbounded.
std::uint64_t match_len(const Hir& h, bool longest) {
  switch (h.kind) {
    case Kind::Empty:
    case Kind::Look:
      return 0;
    case Kind::Literal:
      return h.literal.size();
    case Kind::Class:
      if (h.ranges.empty()) return kNoLen;
      return unicode::utf8_length(longest ? h.ranges.back().hi : h.ranges.front().lo);
    case Kind::Capture:
      return match_len(h.subs[0], longest);
    case Kind::Repetition: {
      const std::uint64_t sub = match_len(h.subs[0], longest);
      if (sub == kNoLen || (longest && !h.max)) return kNoLen;
      return sat_mul(sub, longest ? *h.max : h.min);
    }
    case Kind::Concat:
    case Kind::Alternation: {
      // One alternative that never matches spoils an alternation's bounds too.
      std::uint64_t total = h.kind == Kind::Concat || longest ? 0 : kNoLen;
      for (const Hir& sub : h.subs) {
        const std::uint64_t n = match_len(sub, longest);
        if (n == kNoLen) return kNoLen;
        total = h.kind == Kind::Concat ? sat_add(total, n) : longest ? std::max(total, n) : std::min(total, n);
      }
      return total;
    }
  }
  return 0;
}

// True if every match must satisfy `look` at its start (`at_end`: its end),
// as the library's look-around prefix (suffix) sets tell.
bool anchored_by(const Hir& h, hir::Look look, bool at_end) {
  switch (h.kind) {
    case Kind::Look:
      return h.look == look;
    case Kind::Capture:
      return anchored_by(h.subs[0], look, at_end);
    case Kind::Repetition:
      return h.min > 0 && anchored_by(h.subs[0], look, at_end);
    case Kind::Alternation:
      return std::all_of(h.subs.begin(), h.subs.end(),
                         [&](const Hir& sub) { return anchored_by(sub, look, at_end); });
    case Kind::Concat:
      for (std::size_t k = 0; k < h.subs.size(); ++k) {
        const Hir& sub = h.subs[at_end ? h.subs.size() - 1 - k : k];
        if (anchored_by(sub, look, at_end)) return true;
        if (match_len(sub, true) != 0) return false;
      }
      return false;
    default:
      return false;
  }
}

// True if `h` holds a class with non-ASCII members: its UTF-8 automaton goes
// through a cache whose hits depend on state numbers, so copies of `h` may
// differ in size.
bool numbering_matters(const Hir& h) {
  if (h.kind == Kind::Class) return !hir::is_ascii(h.ranges);
  return std::any_of(h.subs.begin(), h.subs.end(), numbering_matters);
}

// FNV-1a, as the caches hash their keys.
constexpr std::uint64_t kFnvInit = 14695981039346656037ull;
std::uint64_t fnv(std::uint64_t h, std::uint64_t v) { return (h ^ v) * 1099511628211ull; }

// ---------------------------------------------------------------------------
// The replay.

struct OverLimit {};

// Counts states and owned heap; throws OverLimit once they pass the limit.
class Memory {
 public:
  explicit Memory(std::uint64_t limit) : limit_(limit) {}

  // Adds one state owning `heap` bytes; returns its number.
  std::uint32_t add(std::uint64_t heap = 0) {
    const std::uint64_t id = states_;
    add_many(1, heap);
    return static_cast<std::uint32_t>(id);
  }
  // Both counts stay below the limit before each call, and the caller's
  // amounts below 2^32 times the limit, so nothing overflows.
  void add_many(std::uint64_t states, std::uint64_t heap) {
    states_ += states;
    heap_ += heap;
    if (states_ * kStateBytes + heap_ > limit_) throw OverLimit{};
  }
  std::uint64_t states() const { return states_; }
  std::uint64_t heap() const { return heap_; }

 private:
  std::uint64_t limit_;
  std::uint64_t states_ = 0;
  std::uint64_t heap_ = 0;
};

class Replay {
 public:
  // With `bound`, each class is charged what its UTF-8 automaton would cost
  // if no state were shared, in either direction: at most one state and one
  // transition per byte range of each sequence, plus one alternative per
  // sequence. That bound does not depend on state numbers, so every copy of
  // a repetition costs the same.
  Replay(bool reverse, bool captures, bool bound, ClassMemo& memo, std::uint64_t limit)
      : reverse_(reverse), captures_(captures), bound_(bound), memo_(memo), memory_(limit) {}

  // The whole program: an unanchored prefix (none if every pattern is
  // anchored), then each pattern followed by its match state, joined by one
  // union once there are two.
  void program(const std::vector<Hir>& hirs) {
    const hir::Look anchor = reverse_ ? hir::Look::End : hir::Look::Start;
    if (std::all_of(hirs.begin(), hirs.end(), [&](const Hir& h) { return anchored_by(h, anchor, reverse_); })) {
      memory_.add();
    } else {
      memory_.add(2 * kAlternateBytes);  // a lazy loop over any byte
      memory_.add();
      memory_.add(kTransitionBytes);
    }
    if (hirs.empty()) memory_.add();  // a state that never matches
    for (std::size_t i = 0; i < hirs.size(); ++i) {
      if (captures_) memory_.add();
      node(hirs[i]);
      if (captures_) memory_.add();
      memory_.add();
      if (i == 1) {
        memory_.add(kAlternateBytes * hirs.size());
        memory_.add();
      }
    }
  }

 private:
  void node(const Hir& h) {
    switch (h.kind) {
      case Kind::Empty:
      case Kind::Look:
        memory_.add();
        return;
      case Kind::Literal:
        memory_.add_many(h.literal.size(), 0);  // one state per byte
        return;
      case Kind::Class:
        if (hir::is_ascii(h.ranges)) {
          memory_.add();
          memory_.add(kTransitionBytes * h.ranges.size());
        } else if (bound_) {
          const Utf8Class& c = memo_.utf8(h.ranges);
          memory_.add_many(2 + c.byte_ranges, kTransitionBytes * c.byte_ranges + kAlternateBytes * c.sequences.size());
        } else if (reverse_) {
          reverse_class(memo_.utf8(h.ranges).sequences);
        } else {
          forward_class(memo_.utf8(h.ranges).sequences);
        }
        return;
      case Kind::Capture:
        if (captures_) memory_.add();
        node(h.subs[0]);
        if (captures_) memory_.add();
        return;
      case Kind::Concat:
        if (reverse_) {
          for (auto it = h.subs.rbegin(); it != h.subs.rend(); ++it) node(*it);
        } else {
          for (const Hir& sub : h.subs) node(sub);
        }
        return;
      case Kind::Alternation:
        if (std::all_of(h.subs.begin(), h.subs.end(), [](const Hir& s) { return s.kind == Kind::Literal; })) {
          literal_trie(h.subs);
          return;
        }
        // The union and the join are added once two alternatives are compiled.
        for (std::size_t i = 0; i < h.subs.size(); ++i) {
          node(h.subs[i]);
          if (i == 1) {
            memory_.add(kAlternateBytes * h.subs.size());
            memory_.add();
          }
        }
        return;
      case Kind::Repetition:
        repetition(h);
        return;
    }
  }

  void repetition(const Hir& h) {
    const Hir& sub = h.subs[0];
    const std::uint32_t min = h.min;
    if (min == 0 && h.max == 1u) {
      memory_.add(2 * kAlternateBytes);
      node(sub);
      memory_.add();
      return;
    }
    if (!h.max) {
      if (min == 0) {
        if (const std::uint64_t n = match_len(sub, false); n != kNoLen && n > 0) {
          memory_.add(2 * kAlternateBytes);
          node(sub);
          return;
        }
        // x* as (x+)? when x can match empty.
        node(sub);
        memory_.add(2 * kAlternateBytes);
        memory_.add(2 * kAlternateBytes);
        memory_.add();
        return;
      }
      rounds(sub, min, false);
      memory_.add(2 * kAlternateBytes);
      return;
    }
    if (min == 0) {
      memory_.add();
    } else {
      rounds(sub, min, false);
    }
    if (*h.max == min) return;
    memory_.add();
    rounds(sub, *h.max - min, true);
  }

  // `count` copies of `sub`, each after a union when `optional`. Copies with
  // the same states whatever their numbers are counted once and multiplied.
  void rounds(const Hir& sub, std::uint64_t count, bool optional) {
    if (count == 0) return;
    auto one = [&] {
      if (optional) memory_.add(2 * kAlternateBytes);
      node(sub);
    };
    if (!bound_ && numbering_matters(sub)) {
      for (std::uint64_t i = 0; i < count; ++i) one();
      return;
    }
    const std::uint64_t states = memory_.states();
    const std::uint64_t heap = memory_.heap();
    one();
    memory_.add_many((memory_.states() - states) * (count - 1), (memory_.heap() - heap) * (count - 1));
  }

  // An alternation of literals compiles as a trie of its bytes (reversed in
  // the reverse program): one state per chunk of transitions (a byte-range
  // state for one, a sparse state for more) and a union per trie state.
  void literal_trie(const std::vector<Hir>& alts) {
    struct Node {
      std::vector<std::pair<std::uint8_t, std::uint32_t>> trans;
      // Transitions before each match at this node, in order.
      std::vector<std::size_t> chunk_ends;
      std::size_t active() const { return chunk_ends.empty() ? 0 : chunk_ends.back(); }
    };
    std::vector<Node> trie(1);
    for (const Hir& alt : alts) {
      std::uint32_t at = 0;
      const std::string& bytes = alt.literal;
      for (std::size_t k = 0; k < bytes.size(); ++k) {
        const auto b = static_cast<std::uint8_t>(bytes[reverse_ ? bytes.size() - 1 - k : k]);
        auto& trans = trie[at].trans;
        auto it = std::lower_bound(trans.begin() + static_cast<std::ptrdiff_t>(trie[at].active()), trans.end(), b,
                                   [](const auto& t, std::uint8_t v) { return t.first < v; });
        if (it != trans.end() && it->first == b) {
          at = it->second;
          continue;
        }
        const auto next = static_cast<std::uint32_t>(trie.size());
        trans.insert(it, {b, next});
        trie.emplace_back();
        at = next;
      }
      Node& n = trie[at];
      if (n.trans.size() > n.active() || n.chunk_ends.empty()) n.chunk_ends.push_back(n.trans.size());
    }
    std::uint64_t states = 1;  // the final state every match goes to
    std::uint64_t heap = 0;
    for (const Node& n : trie) {
      if (n.trans.empty()) continue;  // a leaf: its parent goes straight to the final state
      std::uint64_t alternates = n.chunk_ends.size();
      std::size_t from = 0;
      auto chunk = [&](std::size_t to) {
        if (to > from) {
          ++states;
          ++alternates;
          if (to - from > 1) heap += kTransitionBytes * (to - from);
        }
        from = to;
      };
      for (std::size_t end : n.chunk_ends) chunk(end);
      chunk(n.trans.size());
      ++states;
      heap += kAlternateBytes * alternates;
    }
    memory_.add_many(states, heap);
  }

  // Forwards, the sequences go through a minimising compiler that shares
  // equal states through a cache of kNodeCacheSlots, keyed by transitions.
  struct Transition {
    std::uint8_t lo, hi;
    std::uint32_t next;
    bool operator==(const Transition&) const = default;
  };
  struct Pending {
    std::vector<Transition> trans;
    bool has_last = false;
    std::uint8_t last_lo = 0, last_hi = 0;
  };
  struct NodeSlot {
    std::uint64_t version = 0;
    std::vector<Transition> key;
    std::uint32_t id = 0;
  };

  void forward_class(const std::vector<Sequence>& seqs) {
    ++version_;
    if (node_cache_.empty()) node_cache_.resize(kNodeCacheSlots);
    target_ = memory_.add();
    pending_.assign(1, Pending{});
    for (const Sequence& s : seqs) {
      std::size_t prefix = 0;
      while (prefix < static_cast<std::size_t>(s.len) && prefix < pending_.size() && pending_[prefix].has_last &&
             pending_[prefix].last_lo == s.lo[prefix] && pending_[prefix].last_hi == s.hi[prefix])
        ++prefix;
      compile_from(prefix);
      Pending& top = pending_.back();
      top.has_last = true;
      top.last_lo = s.lo[prefix];
      top.last_hi = s.hi[prefix];
      for (std::size_t i = prefix + 1; i < static_cast<std::size_t>(s.len); ++i)
        pending_.push_back(Pending{{}, true, s.lo[i], s.hi[i]});
    }
    compile_from(0);
    compile_node(std::move(pending_.back().trans));
    pending_.clear();
  }

  void compile_from(std::size_t from) {
    std::uint32_t next = target_;
    while (from + 1 < pending_.size()) {
      Pending n = std::move(pending_.back());
      pending_.pop_back();
      if (n.has_last) n.trans.push_back({n.last_lo, n.last_hi, next});
      next = compile_node(std::move(n.trans));
    }
    Pending& top = pending_.back();
    if (top.has_last) {
      top.trans.push_back({top.last_lo, top.last_hi, next});
      top.has_last = false;
    }
  }

  std::uint32_t compile_node(std::vector<Transition> trans) {
    std::uint64_t h = kFnvInit;
    for (const Transition& t : trans) h = fnv(fnv(fnv(h, t.lo), t.hi), t.next);
    NodeSlot& slot = node_cache_[h % kNodeCacheSlots];
    if (slot.version == version_ && slot.key == trans) return slot.id;
    const std::uint32_t id = memory_.add(kTransitionBytes * trans.size());
    slot = NodeSlot{version_, std::move(trans), id};
    return id;
  }

  // In reverse, each sequence becomes a chain of byte-range states from a
  // union, sharing chains through a cache of kSuffixCacheSlots keyed by
  // (next state, byte range).
  struct SuffixSlot {
    std::uint64_t version = 0;
    std::uint32_t from = 0;
    std::uint8_t lo = 0, hi = 0;
    std::uint32_t id = 0;
  };

  void reverse_class(const std::vector<Sequence>& seqs) {
    ++version_;
    if (suffix_cache_.empty()) suffix_cache_.resize(kSuffixCacheSlots);
    memory_.add(kAlternateBytes * seqs.size());  // the union, one alternative per sequence
    const std::uint32_t join = memory_.add();
    for (const Sequence& s : seqs) {
      std::uint32_t end = join;
      for (int i = 0; i < s.len; ++i) {
        const std::uint64_t h = fnv(fnv(fnv(kFnvInit, end), s.lo[i]), s.hi[i]);
        SuffixSlot& slot = suffix_cache_[h % kSuffixCacheSlots];
        if (slot.version == version_ && slot.from == end && slot.lo == s.lo[i] && slot.hi == s.hi[i]) {
          end = slot.id;
          continue;
        }
        const std::uint32_t id = memory_.add();
        slot = SuffixSlot{version_, end, s.lo[i], s.hi[i], id};
        end = id;
      }
    }
  }

  const bool reverse_;
  const bool captures_;
  const bool bound_;
  ClassMemo& memo_;
  Memory memory_;
  std::uint64_t version_ = 0;
  std::vector<NodeSlot> node_cache_;
  std::vector<Pending> pending_;
  std::uint32_t target_ = 0;
  std::vector<SuffixSlot> suffix_cache_;
};

}  // namespace

bool within_size_limit(std::span<const hir::Hir> hirs, Captures captures, std::size_t limit) {
  ClassMemo memo;
  std::vector<Hir> forms;
  forms.reserve(hirs.size());
  for (const Hir& h : hirs) forms.push_back(library_form(h, memo));
  const bool with_captures = captures == Captures::Included;
  // Most patterns are far below the limit even without any sharing in their
  // classes; only the others need the exact replay.
  try {
    Replay(true, false, true, memo, limit).program(forms);
    Replay(false, with_captures, true, memo, limit).program(forms);
    return true;
  } catch (const OverLimit&) {
  }
  try {
    // The reverse program shares less of its classes, so it is usually the
    // larger: measured first, it stops an oversized pattern sooner.
    Replay(true, false, false, memo, limit).program(forms);
    Replay(false, with_captures, false, memo, limit).program(forms);
  } catch (const OverLimit&) {
    return false;
  }
  return true;
}

}  // namespace kc::regex::nfa
