// Constructors and whole-tree queries of the HIR.
#include "regex/hir/hir.h"

#include <algorithm>
#include <utility>

namespace kc::regex::hir {

namespace {

// True if every match of `hir` is empty (assertions, empty groups, ...).
bool matches_only_empty(const Hir& hir) {
  switch (hir.kind) {
    case Kind::Empty:
    case Kind::Look:
      return true;
    case Kind::Literal:
      return hir.literal.empty();
    case Kind::Class:
      return false;
    case Kind::Repetition:
      return hir.max == 0u || matches_only_empty(hir.subs[0]);
    case Kind::Capture:
    case Kind::Concat:
    case Kind::Alternation:
      return std::all_of(hir.subs.begin(), hir.subs.end(), matches_only_empty);
  }
  return false;
}

}  // namespace

bool is_unicode_word_look(Look look) {
  switch (look) {
    case Look::WordUnicode:
    case Look::WordUnicodeNegate:
    case Look::WordStartUnicode:
    case Look::WordEndUnicode:
    case Look::WordStartHalfUnicode:
    case Look::WordEndHalfUnicode:
      return true;
    default:
      return false;
  }
}

bool is_special_word_look(Look look) {
  switch (look) {
    case Look::WordStartAscii:
    case Look::WordEndAscii:
    case Look::WordStartUnicode:
    case Look::WordEndUnicode:
    case Look::WordStartHalfAscii:
    case Look::WordEndHalfAscii:
    case Look::WordStartHalfUnicode:
    case Look::WordEndHalfUnicode:
      return true;
    default:
      return false;
  }
}

bool is_crlf_look(Look look) { return look == Look::StartCRLF || look == Look::EndCRLF; }

Hir Hir::empty() { return Hir{}; }

Hir Hir::literal_of(std::string utf8) {
  Hir h;
  h.kind = Kind::Literal;
  h.literal = std::move(utf8);
  return h;
}

Hir Hir::class_of(std::vector<ClassRange> ranges) {
  Hir h;
  h.kind = Kind::Class;
  h.ranges = std::move(ranges);
  return h;
}

Hir Hir::look_of(Look look) {
  Hir h;
  h.kind = Kind::Look;
  h.look = look;
  return h;
}

Hir Hir::repetition(Hir sub, std::uint32_t min, std::optional<std::uint32_t> max, bool greedy) {
  // Repeating something that only matches the empty string more than once
  // changes no match, but a count like (?:){1000000} or \b{0}{99999}{99999}
  // would cost states or compile time for nothing: at most one copy is kept.
  if (matches_only_empty(sub)) {
    min = std::min<std::uint32_t>(min, 1);
    max = std::min<std::uint32_t>(max.value_or(1), 1);
  }
  if (max == 0u) return empty();
  if (min == 1 && max == 1u) return sub;
  Hir h;
  h.kind = Kind::Repetition;
  h.min = min;
  h.max = max;
  h.greedy = greedy;
  h.subs.push_back(std::move(sub));
  return h;
}

Hir Hir::capture(Hir sub, std::uint32_t index, std::string name) {
  Hir h;
  h.kind = Kind::Capture;
  h.capture_index = index;
  h.capture_name = std::move(name);
  h.subs.push_back(std::move(sub));
  return h;
}

Hir Hir::concat(std::vector<Hir> subs) {
  if (subs.empty()) return empty();
  if (subs.size() == 1) return std::move(subs[0]);
  Hir h;
  h.kind = Kind::Concat;
  h.subs = std::move(subs);
  return h;
}

Hir Hir::alternation(std::vector<Hir> subs) {
  if (subs.empty()) return class_of({});
  if (subs.size() == 1) return std::move(subs[0]);
  Hir h;
  h.kind = Kind::Alternation;
  h.subs = std::move(subs);
  return h;
}

namespace {

bool any_look(const Hir& hir, bool (*pred)(Look)) {
  if (hir.kind == Kind::Look) return pred(hir.look);
  for (const Hir& sub : hir.subs)
    if (any_look(sub, pred)) return true;
  return false;
}

}  // namespace

bool contains_special_word_look(const Hir& hir) { return any_look(hir, is_special_word_look); }
bool contains_crlf_look(const Hir& hir) { return any_look(hir, is_crlf_look); }

Hir without_looks(const Hir& hir, bool (*drop)(Look)) {
  if (hir.kind == Kind::Look && drop(hir.look)) return Hir::empty();
  Hir copy;
  copy.kind = hir.kind;
  copy.literal = hir.literal;
  copy.ranges = hir.ranges;
  copy.look = hir.look;
  copy.min = hir.min;
  copy.max = hir.max;
  copy.greedy = hir.greedy;
  copy.capture_index = hir.capture_index;
  copy.capture_name = hir.capture_name;
  copy.subs.reserve(hir.subs.size());
  for (const Hir& sub : hir.subs) copy.subs.push_back(without_looks(sub, drop));
  return copy;
}

}  // namespace kc::regex::hir
