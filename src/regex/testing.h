// Hooks for tests of the regex engines: build from hand-made HIR, and force
// the engine choice so that every path can be checked against the others.
#pragma once

#include <vector>

#include "regex/error.h"
#include "regex/hir/hir.h"
#include "regex/regex.h"

namespace kc::regex::testing {

enum class Path {
  Normal,    // RE2 wherever it is exact, the fallback elsewhere
  Fallback,  // the fallback for every pattern, with its RE2 prefilter
  PikeVm,    // the fallback for every pattern, without a prefilter
};

// Sets the path for every search in the process while alive, restoring the
// previous one on destruction. For single-threaded tests; not copyable.
class ScopedPath {
 public:
  explicit ScopedPath(Path path);
  ~ScopedPath();
  ScopedPath(const ScopedPath&) = delete;
  ScopedPath& operator=(const ScopedPath&) = delete;

 private:
  Path previous_;
};

// The path searches take now.
Path current_path();

// Regex::compile / RegexSet::compile from already translated patterns: the
// size limit and engine construction, without the syntax layer.
Result<Regex> regex_from_hir(const hir::Hir& hir);
Result<RegexSet> regex_set_from_hirs(const std::vector<hir::Hir>& hirs);

}  // namespace kc::regex::testing
