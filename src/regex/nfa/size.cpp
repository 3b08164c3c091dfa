// Program size estimate used by the size limit.
#include "regex/nfa/size.h"

#include <algorithm>
#include <limits>

namespace kc::regex::nfa {

namespace {

using hir::Hir;
using hir::Kind;

// Bytes charged per state and per transition of the byte-level program.
constexpr std::size_t kState = 16;
constexpr std::size_t kTransition = 8;
constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();

std::size_t add(std::size_t a, std::size_t b) { return a > kMax - b ? kMax : a + b; }
std::size_t mul(std::size_t a, std::size_t b) {
  if (a == 0 || b == 0) return 0;
  return a > kMax / b ? kMax : a * b;
}

int utf8_len(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// Splits [lo, hi] into ranges that each encode as one sequence of byte ranges.
void split(char32_t lo, char32_t hi, Utf8Cost& cost) {
  if (lo > hi) return;
  // Surrogates have no encoding.
  if (lo <= 0xDFFF && hi >= 0xD800) {
    if (lo < 0xD800) split(lo, 0xD7FF, cost);
    if (hi > 0xDFFF) split(0xE000, hi, cost);
    return;
  }
  for (char32_t boundary : {char32_t{0x7F}, char32_t{0x7FF}, char32_t{0xFFFF}}) {
    if (lo <= boundary && boundary < hi) {
      split(lo, boundary, cost);
      split(boundary + 1, hi, cost);
      return;
    }
  }
  int n = utf8_len(hi);
  for (int i = 1; i < n; ++i) {
    char32_t m = (char32_t{1} << (6 * i)) - 1;
    if ((lo & ~m) != (hi & ~m)) {
      if ((lo & m) != 0) {
        split(lo, lo | m, cost);
        split((lo | m) + 1, hi, cost);
        return;
      }
      if ((hi & m) != m) {
        split(lo, (hi & ~m) - 1, cost);
        split(hi & ~m, hi, cost);
        return;
      }
    }
  }
  cost.sequences += 1;
  cost.byte_ranges += n;
}

std::size_t size_of(const Hir& hir) {
  switch (hir.kind) {
    case Kind::Empty:
    case Kind::Look:
      return kState;
    case Kind::Literal:
      return mul(hir.literal.size(), kState);
    case Kind::Class: {
      Utf8Cost cost = utf8_cost(hir.ranges);
      return kState + kTransition * (cost.sequences + cost.byte_ranges);
    }
    case Kind::Capture:
      return add(2 * kState, size_of(hir.subs[0]));
    case Kind::Concat: {
      std::size_t total = 0;
      for (const Hir& sub : hir.subs) total = add(total, size_of(sub));
      return total;
    }
    case Kind::Alternation: {
      std::size_t total = kState;
      for (const Hir& sub : hir.subs) total = add(total, add(kTransition, size_of(sub)));
      return total;
    }
    case Kind::Repetition: {
      // As compiled: x{n,} is n copies with a loop on the last (one copy
      // for x*), x{n,m} is n copies and m-n optional ones.
      std::size_t sub = size_of(hir.subs[0]);
      if (!hir.max) return add(mul(std::max<std::uint32_t>(hir.min, 1), sub), 2 * kState);
      return add(mul(hir.min, sub), mul(*hir.max - hir.min, add(sub, kState)));
    }
  }
  return 0;
}

}  // namespace

Utf8Cost utf8_cost(const std::vector<hir::ClassRange>& ranges) {
  Utf8Cost cost;
  for (const hir::ClassRange& r : ranges) split(r.lo, std::min<char32_t>(r.hi, 0x10FFFF), cost);
  return cost;
}

std::size_t program_size(const hir::Hir& hir) { return size_of(hir); }

}  // namespace kc::regex::nfa
