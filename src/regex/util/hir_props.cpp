// Structural properties of HIR.
#include "regex/util/hir_props.h"

namespace kc::regex::util {

using hir::Hir;
using hir::Kind;

bool can_be_empty(const Hir& hir) {
  switch (hir.kind) {
    case Kind::Empty:
    case Kind::Look:
      return true;
    case Kind::Literal:
    case Kind::Class:
      return false;
    case Kind::Capture:
      return can_be_empty(hir.subs[0]);
    case Kind::Concat:
      for (const Hir& sub : hir.subs)
        if (!can_be_empty(sub)) return false;
      return true;
    case Kind::Alternation:
      for (const Hir& sub : hir.subs)
        if (can_be_empty(sub)) return true;
      return false;
    case Kind::Repetition:
      return hir.min == 0 || can_be_empty(hir.subs[0]);
  }
  return false;
}

}  // namespace kc::regex::util
