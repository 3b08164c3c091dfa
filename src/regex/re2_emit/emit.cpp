// Writes HIR back out as RE2 syntax.
//
// RE2 refuses counted repetitions above 1000, and also nested counted
// repetitions whose counts multiply beyond 1000. Such repetitions are written
// out as copies instead, which is exact as long as the copies keep the
// original preference order (see emit_unrolled). Patterns whose optional
// copies RE2 would compile slowly are not written at all.
#include "regex/re2_emit/emit.h"

#include <algorithm>
#include <cstdint>

#include "regex/util/hir_props.h"
#include "regex/util/utf8.h"

namespace kc::regex::re2_emit {

namespace {

using hir::Hir;
using hir::Kind;
using hir::Look;

// Deepest nesting of optional copies written for a preference-sensitive body.
constexpr std::uint32_t kMaxNestedOptionals = 100;
// RE2 nests the optional copies of x{0,k} (and merges a run of k written-out
// copies of x? into that form), and compiles the nesting in time that grows
// with k squared: x{0,1000} takes a few milliseconds, x{0,80000} many seconds.
// The sum of k squared over the pattern, times RE2's expansion of each, is
// capped here; a pattern over it is left to the fallback engine, whose
// compile is linear.
constexpr std::uint64_t kMaxOptionalCost = 2 * std::uint64_t{kRe2MaxRepeat} * kRe2MaxRepeat;

void append_hex(std::string& out, char32_t c) {
  static const char kHex[] = "0123456789ABCDEF";
  char buf[8];
  int n = 0;
  do {
    buf[n++] = kHex[c & 0xF];
    c >>= 4;
  } while (c != 0);
  out += "\\x{";
  while (n > 0) out += buf[--n];
  out += '}';
}

void append_char(std::string& out, char32_t c) {
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
    out += static_cast<char>(c);
  } else {
    append_hex(out, c);
  }
}

// True if `hir` can match at a given position in at most one way, so that
// copies of `x?` keep the preferences of a counted repetition of `x`.
bool single_way(const Hir& hir) {
  switch (hir.kind) {
    case Kind::Empty:
    case Kind::Literal:
    case Kind::Class:
    case Kind::Look:
      return true;
    case Kind::Capture:
    case Kind::Concat:
      for (const Hir& sub : hir.subs)
        if (!single_way(sub)) return false;
      return true;
    case Kind::Repetition:
    case Kind::Alternation:
      return false;
  }
  return false;
}

class Emitter {
 public:
  explicit Emitter(TextAssumption assumption) : assumption_(assumption) {}

  // Appends `hir`; `budget` is what is left of RE2's product of nested counts.
  bool emit(const Hir& hir, std::uint32_t budget) {
    switch (hir.kind) {
      case Kind::Empty:
        out_ += "(?:)";
        return true;
      case Kind::Literal:
        for (std::size_t i = 0, len = 0; i < hir.literal.size(); i += len)
          append_char(out_, util::decode_at(hir.literal, i, &len));
        return true;
      case Kind::Class:
        emit_class(hir);
        return true;
      case Kind::Look:
        return emit_look(hir.look);
      case Kind::Capture:
        out_ += "(?:";
        if (!emit(hir.subs[0], budget)) return false;
        out_ += ')';
        return true;
      case Kind::Concat:
        for (const Hir& sub : hir.subs) {
          out_ += "(?:";
          if (!emit(sub, budget)) return false;
          out_ += ')';
        }
        return true;
      case Kind::Alternation:
        out_ += "(?:";
        for (std::size_t i = 0; i < hir.subs.size(); ++i) {
          if (i != 0) out_ += '|';
          if (!emit(hir.subs[i], budget)) return false;
        }
        out_ += ')';
        return true;
      case Kind::Repetition:
        return emit_repetition(hir, budget);
    }
    return false;
  }

  std::string take() { return std::move(out_); }

 private:
  void emit_class(const Hir& hir) {
    if (hir.ranges.empty()) {
      out_ += "[^\\x00-\\x{10FFFF}]";
      return;
    }
    out_ += '[';
    for (const hir::ClassRange& r : hir.ranges) {
      append_hex(out_, r.lo);
      if (r.hi != r.lo) {
        out_ += '-';
        append_hex(out_, r.hi);
      }
    }
    out_ += ']';
  }

  bool emit_look(Look look) {
    bool ascii_text = assumption_ == TextAssumption::AsciiText;
    switch (look) {
      case Look::Start: out_ += "\\A"; return true;
      case Look::End: out_ += "\\z"; return true;
      case Look::StartLF: out_ += "(?m:^)"; return true;
      case Look::EndLF: out_ += "(?m:$)"; return true;
      case Look::WordAscii: out_ += "\\b"; return true;
      case Look::WordAsciiNegate: out_ += "\\B"; return true;
      case Look::WordUnicode:
        if (!ascii_text) return false;
        out_ += "\\b";
        return true;
      case Look::WordUnicodeNegate:
        if (!ascii_text) return false;
        out_ += "\\B";
        return true;
      default:
        return false;
    }
  }

  bool emit_sub_group(const Hir& sub, std::uint32_t budget) {
    out_ += "(?:";
    if (!emit(sub, budget)) return false;
    out_ += ')';
    return true;
  }

  bool emit_repetition(const Hir& hir, std::uint32_t budget) {
    const Hir& sub = hir.subs[0];
    const char* lazy = hir.greedy ? "" : "?";
    // RE2 prefers more rounds than a backtracking engine for a loop whose
    // body can match empty in several ways, lazy as in (?:(?:a??)*)+? and
    // greedy as in a(?:|bc*)* (RE2: "abc", the crate: "a").
    if (!hir.max && util::can_be_empty(sub) && !single_way(sub)) return false;
    std::uint32_t min = hir.min;
    // The short forms are not counted repetitions for RE2.
    const char* op = nullptr;
    if (min == 0 && !hir.max) op = "*";
    if (min == 1 && !hir.max) op = "+";
    if (min == 0 && hir.max == 1u) op = "?";
    if (op != nullptr) {
      if (hir.max == 1u && !add_optionals(1)) return false;
      if (!emit_sub_group(sub, budget)) return false;
      out_ += op;
      out_ += lazy;
      return true;
    }
    if (hir.max == 0u) {
      out_ += "(?:)";
      return true;
    }
    if (hir.max == 1u && min == 1) return emit_sub_group(sub, budget);
    std::uint32_t count = hir.max ? *hir.max : min;
    if (count <= budget && count <= kRe2MaxRepeat) {
      if (hir.max && !add_optionals(*hir.max - min)) return false;
      // RE2 expands the body `count` times.
      const std::uint64_t outer = copies_;
      copies_ *= count;
      const bool ok = emit_sub_group(sub, budget / count);
      copies_ = outer;
      if (!ok) return false;
      out_ += '{' + std::to_string(min);
      if (!hir.max) {
        out_ += ",}";
      } else if (*hir.max != min) {
        out_ += ',' + std::to_string(*hir.max) + '}';
      } else {
        out_ += '}';
      }
      out_ += lazy;
      return true;
    }
    return emit_unrolled(hir, budget);
  }

  // x{n,m} as n copies of x followed by the optional part, each copy at the
  // current nesting level so RE2's count product is untouched.
  bool emit_unrolled(const Hir& hir, std::uint32_t budget) {
    const Hir& sub = hir.subs[0];
    const char* lazy = hir.greedy ? "" : "?";
    if (!emit_copies(sub, hir.min, budget)) return false;
    if (!hir.max) {
      if (!emit_sub_group(sub, budget)) return false;
      out_ += '*';
      out_ += lazy;
      return true;
    }
    std::uint32_t optional = *hir.max - hir.min;
    if (optional == 0) return true;
    if (!add_optionals(optional)) return false;
    if (single_way(sub)) {
      // Greedy: more copies taken is always preferred, and copies that match
      // one way only make every split of a count equivalent.
      for (std::uint32_t i = 0; i < optional; ++i) {
        if (!emit_sub_group(sub, budget)) return false;
        out_ += '?';
        out_ += lazy;
      }
      return true;
    }
    if (optional > kMaxNestedOptionals) return false;
    // (?:x(?:x(?:x)?)?)?, the form whose preferences equal x{0,k}.
    for (std::uint32_t i = 0; i < optional; ++i) {
      out_ += "(?:";
      if (!emit_sub_group(sub, budget)) return false;
    }
    for (std::uint32_t i = 0; i < optional; ++i) {
      out_ += ")?";
      out_ += lazy;
    }
    return true;
  }

  // `n` copies of `sub` in a row, written as (?:x){k} for runs of up to
  // kRe2MaxRepeat copies where RE2's count product leaves room: RE2 parses
  // a long run of separate copies much more slowly than the counted form.
  bool emit_copies(const Hir& sub, std::uint32_t n, std::uint32_t budget) {
    const std::uint32_t run = std::min(budget, kRe2MaxRepeat);
    if (n >= 2 && run >= 2) {
      const std::size_t mark = out_.size();
      const std::uint64_t optional_cost = optional_cost_;
      const std::uint64_t outer = copies_;
      copies_ *= n;
      const bool ok = emit_sub_group(sub, budget / run);
      copies_ = outer;
      if (ok) {
        const std::string body = out_.substr(mark);
        out_.resize(mark);
        for (std::uint32_t left = n; left > 0;) {
          const std::uint32_t k = std::min(left, run);
          out_ += body;
          if (k > 1) out_ += '{' + std::to_string(k) + '}';
          left -= k;
        }
        return true;
      }
      if (too_many_optionals_) return false;
      out_.resize(mark);
      optional_cost_ = optional_cost;
    }
    for (std::uint32_t i = 0; i < n; ++i)
      if (!emit_sub_group(sub, budget)) return false;
    return true;
  }

  // Counts a run of `k` optional copies at the current expansion; false once
  // the pattern costs RE2 too much.
  bool add_optionals(std::uint64_t k) {
    const std::uint64_t room = kMaxOptionalCost - optional_cost_;
    if (k > 0 && (k > room / k || copies_ > room / (k * k))) {
      too_many_optionals_ = true;
      return false;
    }
    optional_cost_ += copies_ * k * k;
    return true;
  }

  TextAssumption assumption_;
  std::string out_;
  // How many times RE2 expands what is being written: the product of the
  // enclosing counted repetitions written as counts (at most kRe2MaxRepeat).
  std::uint64_t copies_ = 1;
  std::uint64_t optional_cost_ = 0;
  bool too_many_optionals_ = false;
};

}  // namespace

std::optional<std::string> emit(const hir::Hir& hir, TextAssumption assumption) {
  Emitter emitter(assumption);
  if (!emitter.emit(hir, kRe2MaxRepeat)) return std::nullopt;
  return emitter.take();
}

}  // namespace kc::regex::re2_emit
