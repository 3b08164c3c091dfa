// Parse tree to HIR: flags applied, classes resolved to code point ranges,
// case-insensitive parts expanded, literals joined into strings.
//
// Flags are state carried through a left-to-right walk: a directive such as
// (?i) holds until the end of its enclosing group (across `|`), and each
// group restores the flags it started with. With Unicode off (?-u) the
// crate's byte meanings apply, and anything that could match a byte outside
// ASCII is refused, since every haystack is UTF-8.
#include <string>
#include <utility>

#include "regex/hir/case_fold.h"
#include "regex/hir/class_set.h"
#include "regex/hir/unicode_class.h"
#include "regex/syntax/ast.h"
#include "regex/syntax/parse.h"
#include "regex/syntax/syntax_error.h"
#include "unicode/ucd_sets.h"
#include "unicode/utf8.h"

namespace kc::regex::syntax {

namespace {

using hir::Hir;
using hir::Ranges;

struct Flags {
  bool case_insensitive = false;  // i
  bool multi_line = false;        // m
  bool dot_all = false;           // s
  bool swap_greed = false;        // U
  bool unicode = true;            // u
  bool crlf = false;              // R
};

// Unwinds the walk to `translate` at the first error.
struct Failure {
  ErrorKind kind;
  Span span;
};

[[noreturn]] void fail(ErrorKind kind, Span span) { throw Failure{kind, span}; }

// A class as an HIR node; a single character becomes a literal.
Hir class_hir(Ranges ranges) {
  if (ranges.size() == 1 && ranges[0].lo == ranges[0].hi) {
    std::string s;
    unicode::append_utf8(s, ranges[0].lo);
    return Hir::literal_of(std::move(s));
  }
  return Hir::class_of(std::move(ranges));
}

// Appends `h` to a sequence, dropping empties, splicing nested sequences and
// joining adjacent literals.
void append_to_concat(std::vector<Hir>& seq, Hir h) {
  if (h.kind == hir::Kind::Empty) return;
  if (h.kind == hir::Kind::Concat) {
    for (Hir& sub : h.subs) append_to_concat(seq, std::move(sub));
    return;
  }
  if (h.kind == hir::Kind::Literal && !seq.empty() && seq.back().kind == hir::Kind::Literal) {
    seq.back().literal += h.literal;
    return;
  }
  seq.push_back(std::move(h));
}

class Translator {
 public:
  explicit Translator(const Ast& ast) : ast_(ast) {}

  Hir node(NodeId id) {
    const Node& n = ast_.nodes[id];
    switch (n.kind) {
      case NodeKind::Empty: return Hir::empty();
      case NodeKind::Flags:
        apply(n.flags);
        return Hir::empty();
      case NodeKind::Literal: return literal(n.lit);
      case NodeKind::Dot: return dot(n.span);
      case NodeKind::Assertion: return Hir::look_of(look(n.assertion));
      case NodeKind::ClassUnicode: {
        if (!flags_.unicode) fail(ErrorKind::UnicodeNotAllowed, n.span);
        return class_hir(unicode_class(ast_.unicode[n.unicode]));
      }
      case NodeKind::ClassPerl: return class_hir(perl_class(n.perl, n.negated, n.span));
      case NodeKind::ClassBracketed: return class_hir(class_set(n.class_root));
      case NodeKind::Repetition: {
        Hir sub = node(n.subs[0]);
        return Hir::repetition(std::move(sub), n.min, n.max, n.greedy != flags_.swap_greed);
      }
      case NodeKind::Group: {
        const Flags saved = flags_;
        if (n.group == GroupKind::NonCapturing) apply(n.flags);
        Hir sub = node(n.subs[0]);
        flags_ = saved;
        if (n.group == GroupKind::NonCapturing) return sub;
        return Hir::capture(std::move(sub), n.capture_index, n.name);
      }
      case NodeKind::Alternation: {
        std::vector<Hir> alts;
        alts.reserve(n.subs.size());
        for (NodeId sub : n.subs) alts.push_back(node(sub));
        return Hir::alternation(std::move(alts));
      }
      case NodeKind::Concat: {
        std::vector<Hir> seq;
        seq.reserve(n.subs.size());
        for (NodeId sub : n.subs) append_to_concat(seq, node(sub));
        return Hir::concat(std::move(seq));
      }
    }
    return Hir::empty();
  }

 private:
  void apply(const std::vector<FlagItem>& items) {
    bool enable = true;
    for (const FlagItem& it : items) {
      switch (it.flag) {
        case '-': enable = false; break;
        case 'i': flags_.case_insensitive = enable; break;
        case 'm': flags_.multi_line = enable; break;
        case 's': flags_.dot_all = enable; break;
        case 'U': flags_.swap_greed = enable; break;
        case 'u': flags_.unicode = enable; break;
        case 'R': flags_.crlf = enable; break;
        default: break;  // x only matters to the parser
      }
    }
  }

  // The character a literal stands for; with Unicode off a \x80-\xFF byte
  // escape would be a lone non-ASCII byte.
  char32_t scalar(const Literal& lit) const {
    if (!flags_.unicode && lit.is_byte_escape() && lit.c >= 0x80) fail(ErrorKind::InvalidUtf8, lit.span);
    return lit.c;
  }

  Hir literal(const Literal& lit) {
    const char32_t c = scalar(lit);
    if (flags_.case_insensitive) {
      if (flags_.unicode) {
        if (!unicode::simple_fold_orbit(c).empty()) return class_hir(hir::fold_simple({{c, c}}));
      } else if (c < 0x80) {
        return class_hir(hir::fold_ascii({{c, c}}));
      }
    }
    std::string s;
    unicode::append_utf8(s, c);
    return Hir::literal_of(std::move(s));
  }

  Hir dot(Span span) const {
    if (!flags_.unicode) fail(ErrorKind::InvalidUtf8, span);
    if (flags_.dot_all) return Hir::class_of(hir::set_complement({}));
    if (flags_.crlf) return Hir::class_of(hir::set_complement({{'\n', '\n'}, {'\r', '\r'}}));
    return Hir::class_of(hir::set_complement({{'\n', '\n'}}));
  }

  hir::Look look(AssertionKind kind) const {
    using hir::Look;
    const bool u = flags_.unicode;
    switch (kind) {
      case AssertionKind::StartLine:
        if (!flags_.multi_line) return Look::Start;
        return flags_.crlf ? Look::StartCRLF : Look::StartLF;
      case AssertionKind::EndLine:
        if (!flags_.multi_line) return Look::End;
        return flags_.crlf ? Look::EndCRLF : Look::EndLF;
      case AssertionKind::StartText: return Look::Start;
      case AssertionKind::EndText: return Look::End;
      case AssertionKind::WordBoundary: return u ? Look::WordUnicode : Look::WordAscii;
      case AssertionKind::NotWordBoundary: return u ? Look::WordUnicodeNegate : Look::WordAsciiNegate;
      case AssertionKind::WordBoundaryStart:
      case AssertionKind::WordBoundaryStartAngle:
        return u ? Look::WordStartUnicode : Look::WordStartAscii;
      case AssertionKind::WordBoundaryEnd:
      case AssertionKind::WordBoundaryEndAngle:
        return u ? Look::WordEndUnicode : Look::WordEndAscii;
      case AssertionKind::WordBoundaryStartHalf:
        return u ? Look::WordStartHalfUnicode : Look::WordStartHalfAscii;
      case AssertionKind::WordBoundaryEndHalf:
        return u ? Look::WordEndHalfUnicode : Look::WordEndHalfAscii;
    }
    return Look::Start;
  }

  // A \p class: folded when case-insensitive, then negated.
  Ranges unicode_class(const UnicodeClass& q) const {
    if (!flags_.unicode) fail(ErrorKind::UnicodeNotAllowed, q.span);
    auto found = hir::unicode_class(q);
    if (auto* err = std::get_if<hir::LookupError>(&found))
      fail(*err == hir::LookupError::PropertyNotFound ? ErrorKind::UnicodePropertyNotFound
                                                      : ErrorKind::UnicodePropertyValueNotFound,
           q.span);
    Ranges r = std::move(std::get<Ranges>(found));
    if (flags_.case_insensitive) r = hir::fold_simple(r);
    if (q.is_negated()) r = hir::set_complement(r);
    return r;
  }

  Ranges perl_class(PerlKind kind, bool negated, Span span) const {
    if (flags_.unicode) {
      Ranges r = hir::unicode_perl_class(kind);
      return negated ? hir::set_complement(r) : r;
    }
    Ranges r = hir::ascii_perl_class(kind);
    if (!negated) return r;
    // The negation holds every non-ASCII byte.
    fail(ErrorKind::InvalidUtf8, span);
  }

  // The folding of the current mode.
  Ranges fold(const Ranges& r) const {
    if (!flags_.case_insensitive) return r;
    return flags_.unicode ? hir::fold_simple(r) : hir::fold_ascii(r);
  }

  // A character of a bracketed class; with Unicode off it must be ASCII.
  char32_t class_scalar(const Literal& lit) const {
    const char32_t c = scalar(lit);
    if (!flags_.unicode && c >= 0x80) fail(ErrorKind::UnicodeNotAllowed, lit.span);
    return c;
  }

  Ranges class_set(NodeId id) {
    const ClassNode& n = ast_.class_nodes[id];
    switch (n.kind) {
      case ClassKind::Empty: return {};
      case ClassKind::Literal: {
        const char32_t c = class_scalar(n.lit);
        return {{c, c}};
      }
      case ClassKind::Range: {
        const char32_t lo = class_scalar(n.lit);
        const char32_t hi = class_scalar(n.lit_end);
        return hir::canonical({{lo, hi}});
      }
      case ClassKind::Ascii: {
        // Folded before it is negated, so (?i)[[:^lower:]] excludes K and k
        // along with U+212A KELVIN SIGN.
        Ranges r = fold(hir::ascii_class(n.ascii));
        if (!n.negated) return r;
        if (!flags_.unicode) fail(ErrorKind::InvalidUtf8, n.span);
        return hir::set_complement(r);
      }
      case ClassKind::Unicode: return unicode_class(ast_.unicode[n.unicode]);
      case ClassKind::Perl: return perl_class(n.perl, n.negated, n.span);
      case ClassKind::Bracketed: {
        Ranges r = fold(class_set(n.subs[0]));
        if (!n.negated) return r;
        if (!flags_.unicode) {
          r = hir::set_complement(r, 0xFF);
          if (!hir::is_ascii(r)) fail(ErrorKind::InvalidUtf8, n.span);
          return r;
        }
        return hir::set_complement(r);
      }
      case ClassKind::Union: {
        Ranges all;
        for (NodeId sub : n.subs) {
          Ranges r = class_set(sub);
          all.insert(all.end(), r.begin(), r.end());
        }
        return hir::canonical(std::move(all));
      }
      case ClassKind::Intersection:
      case ClassKind::Difference:
      case ClassKind::SymmetricDifference: {
        Ranges lhs = class_set(n.subs[0]);
        Ranges rhs = class_set(n.subs[1]);
        lhs = fold(lhs);
        rhs = fold(rhs);
        if (n.kind == ClassKind::Intersection) return hir::set_intersection(lhs, rhs);
        if (n.kind == ClassKind::Difference) return hir::set_difference(lhs, rhs);
        return hir::set_symmetric_difference(lhs, rhs);
      }
    }
    return {};
  }

  const Ast& ast_;
  Flags flags_;
};

}  // namespace

Result<hir::Hir> translate(const Parsed& parsed) {
  try {
    return Translator(parsed.ast()).node(parsed.ast().root);
  } catch (const Failure& f) {
    return syntax_error(parsed.pattern(), f.kind, f.span);
  }
}

Result<hir::Hir> parse_to_hir(std::string_view pattern) {
  Result<Parsed> parsed = parse(pattern);
  if (auto* err = std::get_if<Error>(&parsed)) return std::move(*err);
  return translate(std::get<Parsed>(parsed));
}

}  // namespace kc::regex::syntax
