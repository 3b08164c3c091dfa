// Case-fold closure of classes from the Unicode layer's fold orbits.
#include "regex/hir/case_fold.h"

#include <algorithm>

#include "unicode/ucd_sets.h"

namespace kc::regex::hir {

Ranges fold_simple(const Ranges& a) {
  const auto points = unicode::case_fold_code_points();
  Ranges out = a;
  for (const ClassRange& r : a) {
    auto it = std::lower_bound(points.begin(), points.end(), r.lo);
    for (; it != points.end() && *it <= r.hi; ++it)
      for (char32_t other : unicode::simple_fold_orbit(*it)) out.push_back({other, other});
  }
  return out.size() == a.size() ? out : canonical(std::move(out));
}

Ranges fold_ascii(const Ranges& a) {
  Ranges out = a;
  for (const ClassRange& r : a) {
    const char32_t lo_l = std::max<char32_t>(r.lo, 'a'), hi_l = std::min<char32_t>(r.hi, 'z');
    if (lo_l <= hi_l) out.push_back({lo_l - 32, hi_l - 32});
    const char32_t lo_u = std::max<char32_t>(r.lo, 'A'), hi_u = std::min<char32_t>(r.hi, 'Z');
    if (lo_u <= hi_u) out.push_back({lo_u + 32, hi_u + 32});
  }
  return out.size() == a.size() ? out : canonical(std::move(out));
}

}  // namespace kc::regex::hir
