// Linear merges over canonical range lists.
#include "regex/hir/class_set.h"

#include <algorithm>

namespace kc::regex::hir {

namespace {

constexpr char32_t kSurrogateLo = 0xD800;
constexpr char32_t kSurrogateHi = 0xDFFF;

}  // namespace

Ranges canonical(Ranges ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const ClassRange& x, const ClassRange& y) { return x.lo < y.lo; });
  Ranges merged;
  merged.reserve(ranges.size() + 1);
  for (const ClassRange& r : ranges) {
    if (!merged.empty() && r.lo <= merged.back().hi + 1) {
      merged.back().hi = std::max(merged.back().hi, r.hi);
    } else {
      merged.push_back(r);
    }
  }
  // Cut the surrogate block out of the (at most one) range that touches it.
  for (std::size_t i = 0; i < merged.size(); ++i) {
    ClassRange r = merged[i];
    if (r.hi < kSurrogateLo || r.lo > kSurrogateHi) continue;
    const bool left = r.lo < kSurrogateLo;
    const bool right = r.hi > kSurrogateHi;
    if (left && right) {
      merged[i].hi = kSurrogateLo - 1;
      merged.insert(merged.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                    ClassRange{kSurrogateHi + 1, r.hi});
      ++i;
    } else if (left) {
      merged[i].hi = kSurrogateLo - 1;
    } else if (right) {
      merged[i].lo = kSurrogateHi + 1;
    } else {
      merged.erase(merged.begin() + static_cast<std::ptrdiff_t>(i));
      --i;
    }
  }
  return merged;
}

Ranges set_union(const Ranges& a, const Ranges& b) {
  Ranges all;
  all.reserve(a.size() + b.size());
  all.insert(all.end(), a.begin(), a.end());
  all.insert(all.end(), b.begin(), b.end());
  return canonical(std::move(all));
}

Ranges set_intersection(const Ranges& a, const Ranges& b) {
  Ranges out;
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t lo = std::max(a[i].lo, b[j].lo);
    const char32_t hi = std::min(a[i].hi, b[j].hi);
    if (lo <= hi) out.push_back({lo, hi});
    if (a[i].hi < b[j].hi) {
      ++i;
    } else {
      ++j;
    }
  }
  return out;
}

Ranges set_complement(const Ranges& a, char32_t max) {
  Ranges out;
  out.reserve(a.size() + 2);
  char32_t next = 0;
  bool done = false;
  for (const ClassRange& r : a) {
    if (r.lo > max) break;
    if (r.lo > next) out.push_back({next, r.lo - 1});
    if (r.hi >= max) {
      done = true;
      break;
    }
    next = r.hi + 1;
  }
  if (!done) out.push_back({next, max});
  return max > 0xFF ? canonical(std::move(out)) : out;
}

Ranges set_difference(const Ranges& a, const Ranges& b) {
  return set_intersection(a, set_complement(b));
}

Ranges set_symmetric_difference(const Ranges& a, const Ranges& b) {
  return set_difference(set_union(a, b), set_intersection(a, b));
}

bool contains(const Ranges& a, char32_t c) {
  auto it = std::lower_bound(a.begin(), a.end(), c, [](const ClassRange& r, char32_t v) { return r.hi < v; });
  return it != a.end() && it->lo <= c;
}

bool overlaps(const Ranges& a, const Ranges& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].hi < b[j].lo) {
      ++i;
    } else if (b[j].hi < a[i].lo) {
      ++j;
    } else {
      return true;
    }
  }
  return false;
}

}  // namespace kc::regex::hir
