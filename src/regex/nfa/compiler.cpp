// HIR to Thompson NFA.
//
// Compiles back to front: each node is compiled knowing the state that
// follows it, which avoids patch lists. Counted repetitions are expanded:
// x{n,m} is n copies of x followed by m-n nested optional copies, each
// optional's skip going straight to the end, so preferences are those of a
// backtracking engine.
#include "regex/nfa/nfa.h"

#include <string>
#include <unordered_map>

#include "regex/util/hir_props.h"
#include "regex/util/utf8.h"
#include "util/panic.h"

namespace kc::regex::nfa {

namespace {

using hir::Hir;
using hir::Kind;

class Compiler {
 public:
  Nfa finish(const Hir& hir) {
    StateId match = add({.op = Op::Match});
    nfa_.start = compile(hir, match);
    nfa_.can_match_empty = reaches_match_without_input(nfa_.start);
    return std::move(nfa_);
  }

 private:
  StateId add(State s) {
    if (nfa_.states.size() >= 0xFFFFFFF0u) kc::panic("NFA state count overflows its index type");
    if (s.op == Op::Look) nfa_.has_looks = true;
    nfa_.states.push_back(s);
    return static_cast<StateId>(nfa_.states.size() - 1);
  }

  StateId split(StateId first, StateId second) {
    return add({.op = Op::Split, .out = first, .out1 = second});
  }

  StateId compile(const Hir& hir, StateId next) {
    switch (hir.kind) {
      case Kind::Empty:
        return next;
      case Kind::Literal:
        return compile_literal(hir.literal, next);
      case Kind::Class:
        return compile_class(hir, next);
      case Kind::Look:
        return add({.op = Op::Look, .look = hir.look, .out = next});
      case Kind::Capture:
        return compile(hir.subs[0], next);
      case Kind::Concat:
        for (auto it = hir.subs.rbegin(); it != hir.subs.rend(); ++it) next = compile(*it, next);
        return next;
      case Kind::Alternation: {
        // Alternatives chain through Splits, the last one without.
        StateId entry = compile(hir.subs.back(), next);
        for (std::size_t i = hir.subs.size() - 1; i-- > 0;) entry = split(compile(hir.subs[i], next), entry);
        return entry;
      }
      case Kind::Repetition:
        return compile_repetition(hir, next);
    }
    kc::panic("unknown HIR kind");
  }

  StateId compile_literal(const std::string& utf8, StateId next) {
    // Decode front to back, then chain back to front.
    std::u32string chars;
    for (std::size_t i = 0, len = 0; i < utf8.size(); i += len) chars.push_back(util::decode_at(utf8, i, &len));
    for (auto it = chars.rbegin(); it != chars.rend(); ++it)
      next = add({.op = Op::Range, .out = next, .lo = *it, .hi = *it});
    return next;
  }

  StateId compile_class(const Hir& hir, StateId next) {
    const std::vector<hir::ClassRange>& ranges = hir.ranges;
    if (ranges.size() == 1) return add({.op = Op::Range, .out = next, .lo = ranges[0].lo, .hi = ranges[0].hi});
    // The copies of a counted repetition share their classes.
    auto [it, added] = class_ids_.try_emplace(&hir, static_cast<std::uint32_t>(nfa_.classes.size()));
    if (added) {
      CharClass cls;
      cls.ranges = ranges;
      for (const hir::ClassRange& r : ranges) {
        for (char32_t c = r.lo; c <= r.hi && c < 128; ++c) cls.ascii[c >> 6] |= std::uint64_t{1} << (c & 63);
      }
      nfa_.classes.push_back(std::move(cls));
    }
    return add({.op = Op::Class, .out = next, .cls = it->second});
  }

  // The loop of x* (its entry is `loop`) and of x+ (its entry is `body`):
  // after each round, prefer another round (greedy) or leaving (lazy).
  struct Loop {
    StateId loop;
    StateId body;
  };
  Loop compile_loop(const Hir& sub, bool greedy, StateId next) {
    StateId loop = split(0, 0);
    StateId body = compile(sub, loop);
    State& s = nfa_.states[loop];
    s.out = greedy ? body : next;
    s.out1 = greedy ? next : body;
    return {loop, body};
  }

  StateId compile_repetition(const Hir& hir, StateId next) {
    const Hir& sub = hir.subs[0];
    StateId tail = next;
    std::uint32_t copies = hir.min;
    if (!hir.max) {
      if (copies == 0) {
        if (!util::can_be_empty(sub)) return compile_loop(sub, hir.greedy, next).loop;
        // x* loops straight back into x, so an empty round of x would be
        // dropped as a revisit and x's later alternatives would win over
        // leaving the loop. (x+)? keeps the backtracking preference order.
        StateId plus = compile_loop(sub, hir.greedy, next).body;
        return hir.greedy ? split(plus, next) : split(next, plus);
      }
      // x{n,} = x{n-1} x+
      tail = compile_loop(sub, hir.greedy, next).body;
      copies -= 1;
    } else {
      for (std::uint32_t i = hir.min; i < *hir.max; ++i) {
        StateId body = compile(sub, tail);
        tail = hir.greedy ? split(body, next) : split(next, body);
      }
    }
    for (std::uint32_t i = 0; i < copies; ++i) tail = compile(sub, tail);
    return tail;
  }

  // Whether Match is reachable from `from` through epsilon transitions only.
  bool reaches_match_without_input(StateId from) const {
    std::vector<bool> seen(nfa_.states.size(), false);
    std::vector<StateId> stack{from};
    while (!stack.empty()) {
      StateId id = stack.back();
      stack.pop_back();
      if (seen[id]) continue;
      seen[id] = true;
      const State& s = nfa_.states[id];
      switch (s.op) {
        case Op::Match:
          return true;
        case Op::Split:
          stack.push_back(s.out1);
          stack.push_back(s.out);
          break;
        case Op::Jump:
        case Op::Look:
          stack.push_back(s.out);
          break;
        default:
          break;
      }
    }
    return false;
  }

  Nfa nfa_;
  std::unordered_map<const Hir*, std::uint32_t> class_ids_;
};

}  // namespace

Nfa compile(const hir::Hir& hir) { return Compiler().finish(hir); }

}  // namespace kc::regex::nfa
