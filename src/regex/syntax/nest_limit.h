// The nesting depth check that follows a successful parse.
#pragma once

#include <optional>

#include "regex/syntax/ast.h"
#include "util/span.h"

namespace kc::regex::syntax {

// The span of the first node (parent before children, left to right) that
// lies deeper than `limit` levels, or nothing. Groups, repetitions,
// alternations, concatenations, bracketed classes, class unions and class
// set operations each add a level; everything else adds none. Walks at most
// `limit` + 1 levels deep, whatever the depth of the tree.
std::optional<Span> find_too_deep(const Ast& ast, unsigned limit);

}  // namespace kc::regex::syntax
