// The single-class scanner.
#include "regex/meta/class_scan.h"

#include <algorithm>

#include "unicode/utf8.h"

namespace kc::regex::meta {

std::optional<ClassScanner> ClassScanner::for_hir(const hir::Hir& hir) {
  if (hir.kind == hir::Kind::Class) return ClassScanner(hir.ranges, false);
  if (hir.kind == hir::Kind::Repetition && hir.min == 1 && !hir.max && hir.greedy &&
      hir.subs[0].kind == hir::Kind::Class)
    return ClassScanner(hir.subs[0].ranges, true);
  return std::nullopt;
}

ClassScanner::ClassScanner(const std::vector<hir::ClassRange>& ranges, bool repeat) : repeat_(repeat) {
  for (const hir::ClassRange& r : ranges) {
    for (char32_t c = r.lo; c <= r.hi && c < 0x80; ++c) ascii_[c >> 6] |= std::uint64_t{1} << (c & 63);
    if (r.hi >= 0x80) non_ascii_.push_back({std::max<char32_t>(r.lo, 0x80), r.hi});
  }
}

bool ClassScanner::contains(char32_t c) const {
  if (c < 0x80) return (ascii_[c >> 6] >> (c & 63)) & 1;
  auto it = std::upper_bound(non_ascii_.begin(), non_ascii_.end(), c,
                             [](char32_t v, const hir::ClassRange& r) { return v < r.lo; });
  return it != non_ascii_.begin() && c <= std::prev(it)->hi;
}

std::optional<Span> ClassScanner::find(std::string_view text, std::size_t from) const {
  std::size_t i = from;
  while (i < text.size()) {
    const std::size_t start = i;
    if (!contains(unicode::decode_utf8(text, i))) continue;
    if (repeat_) {
      std::size_t end = i;
      while (end < text.size()) {
        std::size_t next = end;
        if (!contains(unicode::decode_utf8(text, next))) break;
        end = next;
      }
      i = end;
    }
    return Span{start, i};
  }
  return std::nullopt;
}

}  // namespace kc::regex::meta
