// Required literal prefixes of a pattern and the scan for them.
#include "regex/meta/prefilter.h"

#include <algorithm>
#include <string>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "regex/re2_emit/emit.h"

namespace kc::regex::meta {

namespace {

using hir::Hir;
using hir::Kind;
using ByteSet = std::array<std::uint64_t, 2>;

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// A string of byte sets every match of some part begins with. `exact`: the
// part's match is exactly that string, so what follows the part continues it.
struct Seq {
  std::vector<ByteSet> bytes;
  bool exact = true;
  friend bool operator==(const Seq&, const Seq&) = default;
};
using Seqs = std::vector<Seq>;

ByteSet single(unsigned char byte) {
  ByteSet set{};
  set[byte >> 6] |= std::uint64_t{1} << (byte & 63);
  return set;
}

// Computes, for a part of a pattern, the strings one of which begins every
// match on ASCII text; nullopt when there are too many or the part may
// begin with anything. An empty list: the part cannot match ASCII text.
class Extractor {
 public:
  bool any_text = true;  // false once a non-ASCII character was left out

  std::optional<Seqs> prefixes(const Hir& h) {
    switch (h.kind) {
      case Kind::Empty:
      case Kind::Look:
        return Seqs{Seq{}};
      case Kind::Literal: {
        Seq s;
        for (char c : h.literal) {
          auto byte = static_cast<unsigned char>(c);
          if (byte >= 0x80) {
            any_text = false;
            return Seqs{};
          }
          if (s.bytes.size() == LiteralPrefilter::kMaxLength) {
            s.exact = false;
            break;
          }
          s.bytes.push_back(single(byte));
        }
        return Seqs{s};
      }
      case Kind::Class: {
        ByteSet set{};
        for (const hir::ClassRange& r : h.ranges) {
          if (r.hi >= 0x80) any_text = false;
          for (char32_t c = r.lo; c <= r.hi && c < 0x80; ++c) set[c >> 6] |= std::uint64_t{1} << (c & 63);
        }
        if (set[0] == 0 && set[1] == 0) return Seqs{};
        return Seqs{Seq{{set}, true}};
      }
      case Kind::Capture:
        return prefixes(h.subs[0]);
      case Kind::Repetition: {
        if (h.max == 0u) return Seqs{Seq{}};
        std::optional<Seqs> sub = prefixes(h.subs[0]);
        if (!sub) return std::nullopt;
        // After one round the next is unknown; with no round, what follows
        // the repetition begins the match.
        for (Seq& s : *sub) s.exact = false;
        if (h.min == 0) sub->push_back(Seq{});
        return settle(std::move(*sub));
      }
      case Kind::Alternation: {
        Seqs all;
        for (const Hir& sub : h.subs) {
          std::optional<Seqs> s = prefixes(sub);
          if (!s) return std::nullopt;
          for (Seq& seq : *s) add(all, std::move(seq));
          if (all.size() > LiteralPrefilter::kMaxPrefixes) return std::nullopt;
        }
        return all;
      }
      case Kind::Concat: {
        Seqs acc{Seq{}};
        for (const Hir& sub : h.subs) {
          if (std::none_of(acc.begin(), acc.end(), [](const Seq& s) { return s.exact; })) break;
          std::optional<Seqs> next = prefixes(sub);
          std::optional<Seqs> joined;
          if (next) joined = join(acc, *next);
          if (!joined) {
            // What is known so far still begins every match.
            for (Seq& s : acc) s.exact = false;
            break;
          }
          acc = std::move(*joined);
        }
        return settle(std::move(acc));
      }
    }
    return std::nullopt;
  }

 private:
  static void add(Seqs& seqs, Seq seq) {
    if (std::find(seqs.begin(), seqs.end(), seq) == seqs.end()) seqs.push_back(std::move(seq));
  }

  // Each exact string of `head` followed by each of `tail`; nullopt if too many.
  static std::optional<Seqs> join(const Seqs& head, const Seqs& tail) {
    Seqs out;
    for (const Seq& a : head) {
      if (!a.exact) {
        add(out, a);
        continue;
      }
      for (const Seq& b : tail) {
        Seq s{a.bytes, b.exact};
        s.bytes.insert(s.bytes.end(), b.bytes.begin(), b.bytes.end());
        if (s.bytes.size() > LiteralPrefilter::kMaxLength) {
          s.bytes.resize(LiteralPrefilter::kMaxLength);
          s.exact = false;
        }
        add(out, std::move(s));
      }
      if (out.size() > LiteralPrefilter::kMaxPrefixes) return std::nullopt;
    }
    return out;
  }

  // nullopt if some match may begin with anything.
  static std::optional<Seqs> settle(Seqs seqs) {
    for (const Seq& s : seqs)
      if (s.bytes.empty() && !s.exact) return std::nullopt;
    return seqs;
  }
};

// A probe for a set of one byte, or of two bytes that differ in bit 0x20
// only (a letter in either case); nullopt for any other set.
struct ProbeSpec {
  std::uint8_t value, mask;
};
std::optional<ProbeSpec> probe_for(const ByteSet& set) {
  const int count = __builtin_popcountll(set[0]) + __builtin_popcountll(set[1]);
  if (count == 0 || count > 2) return std::nullopt;
  int low = set[0] != 0 ? __builtin_ctzll(set[0]) : 64 + __builtin_ctzll(set[1]);
  auto byte = static_cast<std::uint8_t>(low);
  if (count == 1) return ProbeSpec{byte, 0};
  ByteSet pair = single(byte), other = single(byte | 0x20);
  pair[0] |= other[0];
  pair[1] |= other[1];
  if ((byte & 0x20) != 0 || set != pair) return std::nullopt;
  return ProbeSpec{static_cast<std::uint8_t>(byte | 0x20), 0x20};
}

// Writes viable_prefixes' pattern for `h` to `out`; false if `emit`
// refuses a part. Only whether the whole text between two points matches
// is asked of it, so preferences between its alternatives do not matter.
class ViableWriter {
 public:
  ViableWriter(re2_emit::TextAssumption assumption, std::string& out) : assumption_(assumption), out_(out) {}

  bool prefixes(const Hir& h) {
    switch (h.kind) {
      case Kind::Empty:
      case Kind::Look:
        out_ += "(?:)";
        return true;
      case Kind::Literal: {
        // (?:c1(?:c2(?:c3)?)?)?
        std::size_t chars = 0;
        for (std::size_t i = 0; i < h.literal.size(); ++i) {
          if ((static_cast<unsigned char>(h.literal[i]) & 0xC0) == 0x80) continue;
          std::size_t end = i + 1;
          while (end < h.literal.size() && (static_cast<unsigned char>(h.literal[end]) & 0xC0) == 0x80) ++end;
          out_ += "(?:";
          if (!whole(Hir::literal_of(h.literal.substr(i, end - i)))) return false;
          ++chars;
        }
        for (; chars > 0; --chars) out_ += ")?";
        return true;
      }
      case Kind::Class:
        out_ += "(?:";
        if (!whole(h)) return false;
        out_ += ")?";
        return true;
      case Kind::Capture:
        return prefixes(h.subs[0]);
      case Kind::Alternation:
        out_ += "(?:";
        for (std::size_t i = 0; i < h.subs.size(); ++i) {
          if (i != 0) out_ += '|';
          if (!prefixes(h.subs[i])) return false;
        }
        out_ += ')';
        return true;
      case Kind::Concat:
        // A prefix of x y is a prefix of x, or all of x and a prefix of y.
        for (std::size_t i = 0; i + 1 < h.subs.size(); ++i) {
          out_ += "(?:";
          if (!prefixes(h.subs[i])) return false;
          out_ += "|(?:";
          if (!whole(h.subs[i])) return false;
          out_ += ')';
        }
        if (!prefixes(h.subs.back())) return false;
        for (std::size_t i = 0; i + 1 < h.subs.size(); ++i) out_ += ')';
        return true;
      case Kind::Repetition: {
        // Some whole rounds, fewer than the most, then a prefix of one more.
        if (h.max == 0u) {
          out_ += "(?:)";
          return true;
        }
        if (h.max && *h.max - 1 > re2_emit::kRe2MaxRepeat) return false;
        out_ += "(?:";
        if (!whole(h.subs[0])) return false;
        out_ += h.max ? "){0," + std::to_string(*h.max - 1) + '}' : std::string(")*");
        return prefixes(h.subs[0]);
      }
    }
    return false;
  }

 private:
  bool whole(const Hir& h) {
    std::optional<std::string> s = re2_emit::emit(h, assumption_);
    if (!s) return false;
    out_ += *s;
    return true;
  }

  re2_emit::TextAssumption assumption_;
  std::string& out_;
};

// Adds the nodes of `h` to `*count`, a literal's characters each as one,
// stopping once it passes `limit`.
void count_nodes(const Hir& h, std::size_t limit, std::size_t* count) {
  *count += 1 + h.literal.size();
  for (const Hir& sub : h.subs) {
    if (*count > limit) return;
    count_nodes(sub, limit, count);
  }
}

}  // namespace

std::optional<std::string> viable_prefixes(const Hir& h, re2_emit::TextAssumption assumption) {
  std::size_t nodes = 0;
  count_nodes(h, kMaxViableNodes, &nodes);
  if (nodes > kMaxViableNodes) return std::nullopt;
  std::string out;
  if (!ViableWriter(assumption, out).prefixes(h)) return std::nullopt;
  return out;
}

std::optional<LiteralPrefilter> LiteralPrefilter::for_hir(const hir::Hir& hir) {
  Extractor extractor;
  std::optional<Seqs> seqs = extractor.prefixes(hir);
  if (!seqs || seqs->empty()) return std::nullopt;
  LiteralPrefilter out;
  out.any_text_ = extractor.any_text;
  for (const Seq& s : *seqs) {
    if (s.bytes.empty()) return std::nullopt;  // the pattern can match empty
    Prefix p;
    p.bytes = s.bytes;
    bool found = false;
    for (std::size_t i = 0; i < s.bytes.size(); ++i) {
      std::optional<ProbeSpec> spec = probe_for(s.bytes[i]);
      if (!spec) continue;
      Probe probe{static_cast<std::uint8_t>(i), spec->value, spec->mask};
      if (!found) p.first = probe;
      p.second = probe;
      found = true;
    }
    if (!found) return std::nullopt;
    out.prefixes_.push_back(std::move(p));
  }
  return out;
}

bool LiteralPrefilter::occurs_at(const Prefix& p, std::string_view text, std::size_t at) {
  for (std::size_t i = 0; i < p.bytes.size(); ++i)
    if (!contains(p.bytes[i], static_cast<unsigned char>(text[at + i]))) return false;
  return true;
}

std::size_t LiteralPrefilter::find(const Prefix& p, std::string_view text, std::size_t from) {
  const std::size_t m = p.bytes.size();
  if (text.size() < m || from > text.size() - m) return kNone;
  const std::size_t last = text.size() - m;  // the last place the prefix fits
  std::size_t i = from;
#if defined(__SSE2__)
  const char* data = text.data();
  const __m128i v1 = _mm_set1_epi8(static_cast<char>(p.first.value));
  const __m128i m1 = _mm_set1_epi8(static_cast<char>(p.first.mask));
  const __m128i v2 = _mm_set1_epi8(static_cast<char>(p.second.value));
  const __m128i m2 = _mm_set1_epi8(static_cast<char>(p.second.mask));
  // Sixteen starts at once; the loads stay inside the text since both
  // probes lie within the prefix.
  for (; last >= 15 && i <= last - 15; i += 16) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + p.first.offset));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + p.second.offset));
    __m128i hit = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, m1), v1), _mm_cmpeq_epi8(_mm_or_si128(b, m2), v2));
    for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hit)); bits != 0; bits &= bits - 1) {
      std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(bits));
      if (occurs_at(p, text, at)) return at;
    }
  }
#endif
  for (; i <= last; ++i)
    if (occurs_at(p, text, i)) return i;
  return kNone;
}

LiteralPrefilter::Cursor::Cursor(const LiteralPrefilter& prefilter) : prefilter_(&prefilter) {
  scanned_from_.fill(kNone);
}

std::optional<std::size_t> LiteralPrefilter::Cursor::next(std::string_view text, std::size_t from) {
  std::size_t best = kNone;
  for (std::size_t k = 0; k < prefilter_->prefixes_.size(); ++k) {
    // A remembered result stands while nothing before `from` was skipped
    // to reach it: no occurrence lies between its search start and it.
    if (scanned_from_[k] == kNone || scanned_from_[k] > from || (found_[k] != kNone && found_[k] < from)) {
      found_[k] = find(prefilter_->prefixes_[k], text, from);
      scanned_from_[k] = from;
    }
    best = std::min(best, found_[k]);
  }
  if (best == kNone) return std::nullopt;
  return best;
}

}  // namespace kc::regex::meta
