// The test hooks of regex/testing.h.
#include <atomic>

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

}  // namespace kc::regex::testing
