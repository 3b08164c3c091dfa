// The test hooks of regex/testing.h.
#include <atomic>

#include "regex/fallback/word_char.h"
#include "regex/meta/factory.h"
#include "regex/testing.h"

namespace kc::regex::testing {

namespace {
std::atomic<Path> g_path{Path::Normal};
}

ScopedPath::ScopedPath(Path path) : previous_(g_path.exchange(path)) {}
ScopedPath::~ScopedPath() { g_path.store(previous_); }

Path current_path() { return g_path.load(std::memory_order_relaxed); }

Result<Regex> regex_from_hir(const hir::Hir& hir) { return meta::Factory::regex(hir); }
Result<RegexSet> regex_set_from_hirs(const std::vector<hir::Hir>& hirs) { return meta::Factory::set(hirs); }

std::vector<hir::ClassRange> word_class_ranges() {
  std::vector<hir::ClassRange> ranges;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (!fallback::is_word_char(c)) continue;
    if (!ranges.empty() && ranges.back().hi + 1 == c) {
      ranges.back().hi = c;
    } else {
      ranges.push_back({c, c});
    }
  }
  return ranges;
}

}  // namespace kc::regex::testing
