// Membership forms of a pattern: Unicode word assertions at its edges
// written as the character just outside the match, which RE2 can consume.
//
// A \b before an element that can only begin with a word character holds
// exactly when the previous character is not a word character or there is
// none; \B, or a neighbour that can only be a non-word character, flips the
// required kind. The same holds mirrored at the end.
#include "regex/re2_emit/membership.h"

#include <vector>

#include "regex/hir/class_set.h"
#include "regex/re2_emit/emit.h"
#include "regex/util/hir_props.h"
#include "regex/util/utf8.h"
#include "unicode/ucd_sets.h"

namespace kc::regex::re2_emit {

namespace {

using hir::Hir;
using hir::Kind;
using hir::Look;
using hir::Ranges;

// The dialect's Unicode \w, the set the fallback's word assertions use.
const Ranges& word_ranges() {
  static const Ranges ranges = [] {
    Ranges r;
    for (const unicode::Range& range : unicode::perl_word()) r.push_back({range.lo, range.hi});
    return r;
  }();
  return ranges;
}

const Ranges& non_word_ranges() {
  static const Ranges ranges = hir::set_complement(word_ranges());
  return ranges;
}

// \w and its complement as RE2 classes.
const std::string& word_class() {
  static const std::string s = *emit(Hir::class_of(word_ranges()), TextAssumption::AnyText);
  return s;
}
const std::string& non_word_class() {
  static const std::string s = *emit(Hir::class_of(non_word_ranges()), TextAssumption::AnyText);
  return s;
}

bool is_word(char32_t c) { return hir::contains(word_ranges(), c); }

// The kinds of character a match may begin (or end) with.
struct Kinds {
  bool word = false;
  bool other = false;
  Kinds& operator|=(Kinds k) {
    word |= k.word;
    other |= k.other;
    return *this;
  }
};

Kinds char_kinds(char32_t c) {
  bool w = is_word(c);
  return {w, !w};
}

// What the first (`at_end`: last) character of a match of `hir` can be.
// Assertions and empty matches contribute nothing.
Kinds edge_kinds(const Hir& hir, bool at_end) {
  switch (hir.kind) {
    case Kind::Empty:
    case Kind::Look:
      return {};
    case Kind::Literal: {
      std::size_t len;
      return char_kinds(at_end ? util::decode_before(hir.literal, hir.literal.size())
                               : util::decode_at(hir.literal, 0, &len));
    }
    case Kind::Class:
      return {hir::overlaps(hir.ranges, word_ranges()), hir::overlaps(hir.ranges, non_word_ranges())};
    case Kind::Capture:
      return edge_kinds(hir.subs[0], at_end);
    case Kind::Repetition:
      return hir.max == 0u ? Kinds{} : edge_kinds(hir.subs[0], at_end);
    case Kind::Alternation: {
      Kinds k;
      for (const Hir& sub : hir.subs) k |= edge_kinds(sub, at_end);
      return k;
    }
    case Kind::Concat: {
      Kinds k;
      for (std::size_t n = 0; n < hir.subs.size(); ++n) {
        const Hir& sub = hir.subs[at_end ? hir.subs.size() - 1 - n : n];
        k |= edge_kinds(sub, at_end);
        if (!util::can_be_empty(sub)) break;
      }
      return k;
    }
  }
  return {};
}

bool is_edge_look(const Hir& hir) {
  return hir.kind == Kind::Look && (hir.look == Look::WordUnicode || hir.look == Look::WordUnicodeNegate);
}

// What `look` requires of the character outside the match, next to `inner`
// (`before`: the character precedes the match); nullopt unless `inner`
// always consumes and its edge character is of one kind.
std::optional<Outside> outside(Look look, const Hir& inner, bool before) {
  if (util::can_be_empty(inner)) return std::nullopt;
  Kinds k = edge_kinds(inner, !before);
  if (k.word == k.other) return std::nullopt;
  // \b: the outside character differs in kind from the edge one; \B: same kind.
  bool outside_word = look == Look::WordUnicode ? k.other : k.word;
  return outside_word ? Outside::Word : Outside::NotWord;
}

Hir concat_of(const std::vector<Hir>& subs, std::size_t first, std::size_t last) {
  return Hir::concat(std::vector<Hir>(subs.begin() + static_cast<std::ptrdiff_t>(first),
                                      subs.begin() + static_cast<std::ptrdiff_t>(last)));
}

std::optional<MembershipForm> concat_form(const Hir& hir) {
  const std::vector<Hir>& subs = hir.subs;
  std::size_t first = 0, last = subs.size();  // subs[first, last) are written as they are
  MembershipForm form;
  if (is_edge_look(subs.front())) {
    auto o = outside(subs.front().look, concat_of(subs, 1, last), true);
    if (!o) return std::nullopt;
    form.before = *o;
    first = 1;
  }
  if (last - first >= 2 && is_edge_look(subs.back())) {
    auto o = outside(subs.back().look, concat_of(subs, first, last - 1), false);
    if (!o) return std::nullopt;
    form.after = *o;
    last -= 1;
  }
  if (first == 0 && last == subs.size()) return std::nullopt;
  auto body = emit(concat_of(subs, first, last), TextAssumption::AnyText);
  if (!body) return std::nullopt;
  form.body = std::move(*body);
  return form;
}

bool collect_forms(const Hir& hir, std::vector<MembershipForm>& out) {
  if (auto exact = emit(hir, TextAssumption::AnyText)) {
    out.push_back({Outside::Any, std::move(*exact), Outside::Any});
    return true;
  }
  switch (hir.kind) {
    case Kind::Capture:
      return collect_forms(hir.subs[0], out);
    case Kind::Alternation:
      // Some alternative matches somewhere exactly when one of its forms does.
      for (const Hir& sub : hir.subs)
        if (!collect_forms(sub, out)) return false;
      return true;
    case Kind::Concat:
      if (auto form = concat_form(hir)) {
        out.push_back(std::move(*form));
        return true;
      }
      return false;
    default:
      return false;
  }
}

void append_outside(std::string& out, Outside o, bool before) {
  switch (o) {
    case Outside::Any: return;
    case Outside::Word: out += word_class(); return;
    case Outside::NotWord:
      out += before ? "(?:\\A|" + non_word_class() + ")" : "(?:" + non_word_class() + "|\\z)";
      return;
  }
}

}  // namespace

std::optional<std::vector<MembershipForm>> membership_forms(const hir::Hir& hir) {
  std::vector<MembershipForm> forms;
  if (!collect_forms(hir, forms)) return std::nullopt;
  return forms;
}

std::string membership_pattern(std::span<const MembershipForm> forms) {
  // before(?:body|body...)after for each pair of requirements present; the
  // alternation of such groups matches somewhere exactly when a form does.
  constexpr Outside kAll[] = {Outside::Any, Outside::Word, Outside::NotWord};
  std::string out = "(?:";
  bool first_group = true;
  for (Outside before : kAll) {
    for (Outside after : kAll) {
      bool open = false;
      for (const MembershipForm& f : forms) {
        if (f.before != before || f.after != after) continue;
        if (!open) {
          if (!first_group) out += '|';
          first_group = false;
          append_outside(out, before, true);
          out += "(?:";
          open = true;
        } else {
          out += '|';
        }
        out += "(?:" + f.body + ')';
      }
      if (!open) continue;
      out += ')';
      append_outside(out, after, false);
    }
  }
  return out + ')';
}

}  // namespace kc::regex::re2_emit
