// Structural properties of HIR that more than one engine layer asks about.
#pragma once

#include "regex/hir/hir.h"

namespace kc::regex::util {

// True if `hir` can match without consuming input (assertions aside).
bool can_be_empty(const hir::Hir& hir);

}  // namespace kc::regex::util
