// Depth check over the parse tree, counting the levels the crate counts.
#include "regex/syntax/nest_limit.h"

namespace kc::regex::syntax {

namespace {

struct Walker {
  const Ast& ast;
  unsigned limit;
  std::optional<Span> found;

  // `depth` is the number of counting nodes above `id`.
  bool node(NodeId id, unsigned depth) {
    const Node& n = ast.nodes[id];
    switch (n.kind) {
      case NodeKind::Empty:
      case NodeKind::Flags:
      case NodeKind::Literal:
      case NodeKind::Dot:
      case NodeKind::Assertion:
      case NodeKind::ClassUnicode:
      case NodeKind::ClassPerl:
        return true;
      case NodeKind::ClassBracketed:
        return class_node(n.class_root, depth);
      default:
        break;
    }
    if (!enter(n.span, depth)) return false;
    for (NodeId sub : n.subs)
      if (!node(sub, depth + 1)) return false;
    return true;
  }

  bool class_node(NodeId id, unsigned depth) {
    const ClassNode& n = ast.class_nodes[id];
    switch (n.kind) {
      case ClassKind::Bracketed:
      case ClassKind::Union:
      case ClassKind::Intersection:
      case ClassKind::Difference:
      case ClassKind::SymmetricDifference:
        break;
      default:
        return true;
    }
    if (!enter(n.span, depth)) return false;
    for (NodeId sub : n.subs)
      if (!class_node(sub, depth + 1)) return false;
    return true;
  }

  bool enter(Span span, unsigned depth) {
    if (depth + 1 > limit) {
      found = span;
      return false;
    }
    return true;
  }
};

}  // namespace

std::optional<Span> find_too_deep(const Ast& ast, unsigned limit) {
  Walker w{ast, limit, std::nullopt};
  w.node(ast.root, 0);
  return w.found;
}

}  // namespace kc::regex::syntax
