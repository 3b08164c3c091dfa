// The compile steps after translation, shared by the public constructors and
// the test hooks: the size limit, then engine construction.
#pragma once

#include <vector>

#include "regex/error.h"
#include "regex/hir/hir.h"
#include "regex/regex.h"

namespace kc::regex::meta {

struct Factory {
  // A Regex for `hir`, or CompiledTooBig if its program exceeds kSizeLimit.
  static Result<Regex> regex(const hir::Hir& hir);
  // A RegexSet for `hirs`, or CompiledTooBig if their programs together
  // exceed kSizeLimit. Keeps `hirs` until the set's plans are built.
  static Result<RegexSet> set(std::vector<hir::Hir> hirs);
};

// The error for a program over the size limit.
Error compiled_too_big();

}  // namespace kc::regex::meta
