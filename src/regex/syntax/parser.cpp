// Pattern text to parse tree, accepting exactly the crate's default syntax.
//
// The parser is a loop over characters with explicit stacks for open groups
// and open bracketed classes, so no pattern can exhaust the call stack. Every
// error is raised where the crate raises it, with the same span, because the
// message quotes that span. Spans are byte offsets; the crate's positions
// (line, column) follow from them when an error is formatted.
#include <map>
#include <string>
#include <utility>

#include "regex/syntax/ast.h"
#include "regex/syntax/nest_limit.h"
#include "regex/syntax/parse.h"
#include "regex/syntax/syntax_error.h"
#include "unicode/properties.h"
#include "unicode/utf8.h"
#include "util/panic.h"

// Nodes are built with designated initializers; the fields left out keep
// their declared defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kc::regex::syntax {

Parsed::Parsed(std::unique_ptr<Ast> ast, std::string pattern)
    : ast_(std::move(ast)), pattern_(std::move(pattern)) {}
Parsed::Parsed(Parsed&&) noexcept = default;
Parsed& Parsed::operator=(Parsed&&) noexcept = default;
Parsed::~Parsed() = default;

namespace {

// Unwinds the parser to `parse` at the first error.
struct Failure {
  ErrorKind kind;
  Span span;
  std::optional<Span> aux;
};

[[noreturn]] void fail(ErrorKind kind, Span span, std::optional<Span> aux = std::nullopt) {
  throw Failure{kind, span, aux};
}

// A sequence being collected between group or alternation boundaries.
struct ConcatBuf {
  Span span{0, 0};
  std::vector<NodeId> asts;
};

// An open group (with the sequence that preceded it), or the alternatives
// collected so far inside the innermost open group.
struct GroupState {
  bool is_alternation = false;
  ConcatBuf concat;  // group: the enclosing sequence before the group
  NodeId group = 0;  // group: the Group node, its child filled in when closed
  bool ignore_whitespace = false;
  Span alt_span{0, 0};  // alternation
  std::vector<NodeId> alts;
};

// Items of a bracketed class being collected.
struct UnionBuf {
  Span span{0, 0};
  std::vector<NodeId> items;
};

// An open bracket (with the enclosing union), or a pending set operation.
struct ClassState {
  bool is_open = false;
  UnionBuf parent;  // open: the union the bracket belongs to
  NodeId set = 0;   // open: the Bracketed class node
  ClassKind op = ClassKind::Intersection;
  NodeId lhs = 0;  // op
};

// An escape or single-character item before it is placed in the tree.
struct Primitive {
  enum class Kind { Literal, Assertion, Dot, Perl, Unicode } kind = Kind::Literal;
  Span span{0, 0};
  Literal lit;
  AssertionKind assertion = AssertionKind::StartLine;
  PerlKind perl = PerlKind::Digit;
  bool negated = false;
  UnicodeClass unicode;
};

bool is_meta_character(char32_t c) {
  switch (c) {
    case '\\': case '.': case '+': case '*': case '?': case '(': case ')': case '|':
    case '[': case ']': case '{': case '}': case '^': case '$': case '#': case '&':
    case '-': case '~':
      return true;
    default:
      return false;
  }
}

// ASCII punctuation, space and controls may be escaped; letters, digits, `<`
// and `>` are reserved for escapes with a meaning.
bool is_escapeable_character(char32_t c) {
  if (is_meta_character(c)) return true;
  if (c >= 0x80) return false;
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return false;
  return c != '<' && c != '>';
}

bool is_hex(char32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool is_whitespace(char32_t c) { return unicode::is_white_space(c); }

bool is_capture_char(char32_t c, bool first) {
  if (c == '_') return true;
  if (first) return unicode::is_alphabetic(c);
  return c == '.' || c == '[' || c == ']' || unicode::is_alphabetic(c) || unicode::is_numeric(c);
}

std::optional<AsciiKind> ascii_kind(std::string_view name) {
  static constexpr std::pair<std::string_view, AsciiKind> kNames[] = {
      {"alnum", AsciiKind::Alnum}, {"alpha", AsciiKind::Alpha}, {"ascii", AsciiKind::Ascii},
      {"blank", AsciiKind::Blank}, {"cntrl", AsciiKind::Cntrl}, {"digit", AsciiKind::Digit},
      {"graph", AsciiKind::Graph}, {"lower", AsciiKind::Lower}, {"print", AsciiKind::Print},
      {"punct", AsciiKind::Punct}, {"space", AsciiKind::Space}, {"upper", AsciiKind::Upper},
      {"word", AsciiKind::Word},   {"xdigit", AsciiKind::Xdigit},
  };
  for (const auto& [n, k] : kNames)
    if (n == name) return k;
  return std::nullopt;
}

class Parser {
 public:
  explicit Parser(std::string_view pattern) : pat_(pattern) {}

  std::unique_ptr<Ast> run() {
    ConcatBuf concat{here(), {}};
    for (;;) {
      bump_space();
      if (eof()) break;
      switch (ch()) {
        case '(': concat = push_group(std::move(concat)); break;
        case ')': concat = pop_group(std::move(concat)); break;
        case '|': concat = push_alternate(std::move(concat)); break;
        case '[': concat.asts.push_back(parse_set_class()); break;
        case '?': parse_uncounted_repetition(concat, RepetitionKind::ZeroOrOne); break;
        case '*': parse_uncounted_repetition(concat, RepetitionKind::ZeroOrMore); break;
        case '+': parse_uncounted_repetition(concat, RepetitionKind::OneOrMore); break;
        case '{': parse_counted_repetition(concat); break;
        default: concat.asts.push_back(place(parse_primitive())); break;
      }
    }
    ast_->root = pop_group_end(std::move(concat));
    return std::move(ast_);
  }

 private:
  // ---- cursor ----
  bool eof() const { return pos_ >= pat_.size(); }
  char32_t ch() const {
    std::size_t i = pos_;
    return unicode::decode_utf8(pat_, i);
  }
  std::size_t ch_len() const {
    std::size_t i = pos_;
    unicode::decode_utf8(pat_, i);
    return i - pos_;
  }
  Span here() const { return Span{pos_, pos_}; }
  Span span_char() const { return Span{pos_, pos_ + (eof() ? 0 : ch_len())}; }
  // Moves past the current character; false if that reaches the end.
  bool bump() {
    if (eof()) return false;
    pos_ += ch_len();
    return !eof();
  }
  bool bump_if(std::string_view prefix) {
    if (pat_.substr(pos_).substr(0, prefix.size()) != prefix) return false;
    pos_ += prefix.size();
    return true;
  }
  // In (?x) mode, skips whitespace and # comments (through the end of line).
  void bump_space() {
    if (!ignore_whitespace_) return;
    while (!eof()) {
      char32_t c = ch();
      if (is_whitespace(c)) {
        bump();
      } else if (c == '#') {
        bump();
        while (!eof()) {
          char32_t d = ch();
          bump();
          if (d == '\n') break;
        }
      } else {
        break;
      }
    }
  }
  bool bump_and_bump_space() {
    if (!bump()) return false;
    bump_space();
    return !eof();
  }
  std::optional<char32_t> peek() const {
    if (eof()) return std::nullopt;
    std::size_t i = pos_ + ch_len();
    if (i >= pat_.size()) return std::nullopt;
    return unicode::decode_utf8(pat_, i);
  }
  // The next character after the current one, skipping whitespace and
  // comments in (?x) mode in the crate's way (a comment only ends at a
  // character that is not whitespace).
  std::optional<char32_t> peek_space() const {
    if (!ignore_whitespace_) return peek();
    if (eof()) return std::nullopt;
    std::size_t start = pos_ + ch_len();
    bool in_comment = false;
    for (std::size_t i = start; i < pat_.size();) {
      std::size_t at = i;
      char32_t c = unicode::decode_utf8(pat_, i);
      if (is_whitespace(c)) continue;
      if (!in_comment && c == '#') {
        in_comment = true;
      } else {
        start = at;
        break;
      }
    }
    if (start >= pat_.size()) return std::nullopt;
    return unicode::decode_utf8(pat_, start);
  }

  // ---- tree building ----
  NodeId add(Node n) {
    ast_->nodes.push_back(std::move(n));
    return static_cast<NodeId>(ast_->nodes.size() - 1);
  }
  NodeId add_class(ClassNode n) {
    ast_->class_nodes.push_back(std::move(n));
    return static_cast<NodeId>(ast_->class_nodes.size() - 1);
  }
  Span span_of(NodeId id) const { return ast_->nodes[id].span; }
  Span class_span(NodeId id) const { return ast_->class_nodes[id].span; }

  NodeId concat_into_ast(ConcatBuf c) {
    if (c.asts.empty()) return add(Node{.kind = NodeKind::Empty, .span = c.span});
    if (c.asts.size() == 1) return c.asts[0];
    return add(Node{.kind = NodeKind::Concat, .span = c.span, .subs = std::move(c.asts)});
  }

  NodeId place(const Primitive& p) {
    Node n;
    n.span = p.span;
    switch (p.kind) {
      case Primitive::Kind::Literal: n.kind = NodeKind::Literal; n.lit = p.lit; break;
      case Primitive::Kind::Assertion: n.kind = NodeKind::Assertion; n.assertion = p.assertion; break;
      case Primitive::Kind::Dot: n.kind = NodeKind::Dot; break;
      case Primitive::Kind::Perl:
        n.kind = NodeKind::ClassPerl;
        n.perl = p.perl;
        n.negated = p.negated;
        break;
      case Primitive::Kind::Unicode:
        n.kind = NodeKind::ClassUnicode;
        n.unicode = add_unicode(p.unicode);
        break;
    }
    return add(std::move(n));
  }
  std::uint32_t add_unicode(const UnicodeClass& u) {
    ast_->unicode.push_back(u);
    return static_cast<std::uint32_t>(ast_->unicode.size() - 1);
  }

  // ---- groups and alternation ----
  ConcatBuf push_group(ConcatBuf concat) {
    Node g = parse_group();
    if (g.kind == NodeKind::Flags) {
      if (auto x = flag_state(g.flags, 'x')) ignore_whitespace_ = *x;
      concat.asts.push_back(add(std::move(g)));
      return concat;
    }
    bool old_ws = ignore_whitespace_;
    bool new_ws = old_ws;
    if (g.group == GroupKind::NonCapturing)
      if (auto x = flag_state(g.flags, 'x')) new_ws = *x;
    GroupState st;
    st.concat = std::move(concat);
    st.group = add(std::move(g));
    st.ignore_whitespace = old_ws;
    groups_.push_back(std::move(st));
    ignore_whitespace_ = new_ws;
    return ConcatBuf{here(), {}};
  }

  static std::optional<bool> flag_state(const std::vector<FlagItem>& items, char flag) {
    bool enable = true;
    for (const FlagItem& it : items) {
      if (it.flag == '-') enable = false;
      else if (it.flag == flag) return enable;
    }
    return std::nullopt;
  }

  // Parses from `(` through the group's opening; a flag directive `(?i)` is
  // returned whole as a Flags node.
  Node parse_group() {
    const Span open{pos_, pos_ + 1};
    bump();
    bump_space();
    if (bump_if("?=") || bump_if("?!") || bump_if("?<=") || bump_if("?<!"))
      fail(ErrorKind::UnsupportedLookAround, Span{open.start, pos_});
    const Span inner = here();
    bool named = bump_if("?P<") || bump_if("?<");
    if (named) {
      std::uint32_t index = next_capture_index(open);
      Node g{.kind = NodeKind::Group, .span = open, .group = GroupKind::CaptureName,
             .capture_index = index};
      parse_capture_name(g);
      return g;
    }
    if (bump_if("?")) {
      if (eof()) fail(ErrorKind::GroupUnclosed, open);
      std::vector<FlagItem> flags = parse_flags();
      char32_t end = ch();
      bump();
      if (end == ')') {
        // `(?)` has no flags: the crate reads it as a `?` with nothing to repeat.
        if (flags.empty()) fail(ErrorKind::RepetitionMissing, inner);
        return Node{.kind = NodeKind::Flags, .span = Span{open.start, pos_}, .flags = std::move(flags)};
      }
      return Node{.kind = NodeKind::Group, .span = open, .group = GroupKind::NonCapturing,
                  .flags = std::move(flags)};
    }
    std::uint32_t index = next_capture_index(open);
    return Node{.kind = NodeKind::Group, .span = open, .group = GroupKind::CaptureIndex,
                .capture_index = index};
  }

  std::uint32_t next_capture_index(Span open) {
    if (capture_index_ == UINT32_MAX) fail(ErrorKind::CaptureLimitExceeded, open);
    return ++capture_index_;
  }

  void parse_capture_name(Node& g) {
    if (eof()) fail(ErrorKind::GroupNameUnexpectedEof, here());
    const std::size_t start = pos_;
    for (;;) {
      char32_t c = ch();
      if (c == '>') break;
      if (!is_capture_char(c, pos_ == start)) fail(ErrorKind::GroupNameInvalid, span_char());
      if (!bump()) break;
    }
    const std::size_t end = pos_;
    if (eof()) fail(ErrorKind::GroupNameUnexpectedEof, here());
    bump();
    if (end == start) fail(ErrorKind::GroupNameEmpty, Span{start, start});
    g.name = std::string(pat_.substr(start, end - start));
    g.name_span = Span{start, end};
    auto [it, inserted] = names_.emplace(g.name, g.name_span);
    if (!inserted) fail(ErrorKind::GroupNameDuplicate, g.name_span, it->second);
  }

  std::vector<FlagItem> parse_flags() {
    std::vector<FlagItem> items;
    std::optional<Span> last_negation;
    auto find = [&](char f) -> const FlagItem* {
      for (const FlagItem& it : items)
        if (it.flag == f) return &it;
      return nullptr;
    };
    while (ch() != ':' && ch() != ')') {
      if (ch() == '-') {
        last_negation = span_char();
        if (const FlagItem* prev = find('-'))
          fail(ErrorKind::FlagRepeatedNegation, span_char(), prev->span);
        items.push_back(FlagItem{span_char(), '-'});
      } else {
        last_negation.reset();
        char32_t c = ch();
        if (c != 'i' && c != 'm' && c != 's' && c != 'U' && c != 'u' && c != 'R' && c != 'x')
          fail(ErrorKind::FlagUnrecognized, span_char());
        if (const FlagItem* prev = find(static_cast<char>(c)))
          fail(ErrorKind::FlagDuplicate, span_char(), prev->span);
        items.push_back(FlagItem{span_char(), static_cast<char>(c)});
      }
      if (!bump()) fail(ErrorKind::FlagUnexpectedEof, here());
    }
    if (last_negation) fail(ErrorKind::FlagDanglingNegation, *last_negation);
    return items;
  }

  ConcatBuf pop_group(ConcatBuf group_concat) {
    std::optional<GroupState> alt;
    if (groups_.empty()) fail(ErrorKind::GroupUnopened, span_char());
    GroupState st = std::move(groups_.back());
    groups_.pop_back();
    if (st.is_alternation) {
      alt = std::move(st);
      if (groups_.empty() || groups_.back().is_alternation)
        fail(ErrorKind::GroupUnopened, span_char());
      st = std::move(groups_.back());
      groups_.pop_back();
    }
    ignore_whitespace_ = st.ignore_whitespace;
    group_concat.span.end = pos_;
    bump();
    ast_->nodes[st.group].span.end = pos_;
    NodeId child;
    if (alt) {
      alt->alt_span.end = group_concat.span.end;
      alt->alts.push_back(concat_into_ast(std::move(group_concat)));
      child = add(Node{.kind = NodeKind::Alternation, .span = alt->alt_span,
                       .subs = std::move(alt->alts)});
    } else {
      child = concat_into_ast(std::move(group_concat));
    }
    ast_->nodes[st.group].subs = {child};
    st.concat.asts.push_back(st.group);
    return std::move(st.concat);
  }

  ConcatBuf push_alternate(ConcatBuf concat) {
    concat.span.end = pos_;
    if (!groups_.empty() && groups_.back().is_alternation) {
      groups_.back().alts.push_back(concat_into_ast(std::move(concat)));
    } else {
      GroupState st;
      st.is_alternation = true;
      st.alt_span = Span{concat.span.start, pos_};
      st.alts.push_back(concat_into_ast(std::move(concat)));
      groups_.push_back(std::move(st));
    }
    bump();
    return ConcatBuf{here(), {}};
  }

  NodeId pop_group_end(ConcatBuf concat) {
    concat.span.end = pos_;
    if (groups_.empty()) return concat_into_ast(std::move(concat));
    GroupState st = std::move(groups_.back());
    groups_.pop_back();
    if (!st.is_alternation) fail(ErrorKind::GroupUnclosed, ast_->nodes[st.group].span);
    st.alt_span.end = pos_;
    st.alts.push_back(concat_into_ast(std::move(concat)));
    const NodeId result =
        add(Node{.kind = NodeKind::Alternation, .span = st.alt_span, .subs = std::move(st.alts)});
    if (!groups_.empty()) fail(ErrorKind::GroupUnclosed, ast_->nodes[groups_.back().group].span);
    return result;
  }

  // ---- repetition ----
  NodeId pop_repeatable(ConcatBuf& concat) {
    if (concat.asts.empty()) fail(ErrorKind::RepetitionMissing, here());
    NodeId last = concat.asts.back();
    NodeKind k = ast_->nodes[last].kind;
    if (k == NodeKind::Empty || k == NodeKind::Flags) fail(ErrorKind::RepetitionMissing, here());
    concat.asts.pop_back();
    return last;
  }

  void parse_uncounted_repetition(ConcatBuf& concat, RepetitionKind kind) {
    NodeId sub = pop_repeatable(concat);
    bool greedy = true;
    if (bump() && ch() == '?') {
      greedy = false;
      bump();
    }
    std::uint32_t min = kind == RepetitionKind::OneOrMore ? 1 : 0;
    std::optional<std::uint32_t> max;
    if (kind == RepetitionKind::ZeroOrOne) max = 1;
    concat.asts.push_back(add(Node{.kind = NodeKind::Repetition,
                                   .span = Span{span_of(sub).start, pos_},
                                   .rep = kind, .min = min, .max = max, .greedy = greedy,
                                   .subs = {sub}}));
  }

  void parse_counted_repetition(ConcatBuf& concat) {
    const std::size_t start = pos_;
    NodeId sub = pop_repeatable(concat);
    auto unclosed = [&]() { fail(ErrorKind::RepetitionCountUnclosed, Span{start, pos_}); };
    if (!bump_and_bump_space()) unclosed();
    // A bad minimum is reported only once the pattern is known to go on past
    // it (and past a comma after it); until then the repetition is unclosed.
    // The maximum's own errors are reported as soon as it is read.
    std::optional<Failure> lo_error;
    std::uint32_t lo = 0;
    try {
      lo = parse_decimal();
    } catch (Failure& f) {
      lo_error = f;
    }
    if (eof()) unclosed();
    const bool range = ch() == ',';
    if (range && !bump_and_bump_space()) unclosed();
    if (lo_error) throw *lo_error;
    std::optional<std::uint32_t> hi = lo;
    if (range) hi = ch() == '}' ? std::nullopt : std::optional(parse_decimal());
    if (eof() || ch() != '}') unclosed();
    bool greedy = true;
    if (bump_and_bump_space() && ch() == '?') {
      greedy = false;
      bump();
    }
    if (hi && lo > *hi) fail(ErrorKind::RepetitionCountInvalid, Span{start, pos_});
    concat.asts.push_back(add(Node{.kind = NodeKind::Repetition,
                                   .span = Span{span_of(sub).start, pos_},
                                   .rep = RepetitionKind::Range, .min = lo, .max = hi,
                                   .greedy = greedy, .subs = {sub}}));
  }

  // Whitespace around the digits is skipped even outside (?x).
  std::uint32_t parse_decimal() {
    while (!eof() && is_whitespace(ch())) bump();
    const std::size_t start = pos_;
    std::string digits;
    while (!eof() && ch() >= '0' && ch() <= '9') {
      digits.push_back(static_cast<char>(ch()));
      bump_and_bump_space();
    }
    const Span span{start, pos_};
    while (!eof() && is_whitespace(ch())) bump_and_bump_space();
    if (digits.empty()) fail(ErrorKind::RepetitionCountDecimalEmpty, span);
    std::uint64_t n = 0;
    for (char d : digits) {
      n = n * 10 + static_cast<std::uint64_t>(d - '0');
      if (n > UINT32_MAX) fail(ErrorKind::DecimalInvalid, span);
    }
    return static_cast<std::uint32_t>(n);
  }

  // ---- primitives and escapes ----
  Primitive parse_primitive() {
    Primitive p;
    p.span = span_char();
    switch (ch()) {
      case '\\': return parse_escape();
      case '.': p.kind = Primitive::Kind::Dot; break;
      case '^': p.kind = Primitive::Kind::Assertion; p.assertion = AssertionKind::StartLine; break;
      case '$': p.kind = Primitive::Kind::Assertion; p.assertion = AssertionKind::EndLine; break;
      default:
        p.kind = Primitive::Kind::Literal;
        p.lit = Literal{p.span, LiteralKind::Verbatim, ch()};
        break;
    }
    bump();
    return p;
  }

  Primitive parse_escape() {
    const std::size_t start = pos_;
    if (!bump()) fail(ErrorKind::EscapeUnexpectedEof, Span{start, pos_});
    const char32_t c = ch();
    Primitive p;
    if (c >= '0' && c <= '9') fail(ErrorKind::UnsupportedBackreference, Span{start, span_char().end});
    if (c == 'x' || c == 'u' || c == 'U') {
      p.kind = Primitive::Kind::Literal;
      p.lit = parse_hex();
      p.lit.span.start = start;
      p.span = p.lit.span;
      return p;
    }
    if (c == 'p' || c == 'P') {
      p.kind = Primitive::Kind::Unicode;
      p.unicode = parse_unicode_class();
      p.unicode.span.start = start;
      p.span = p.unicode.span;
      return p;
    }
    if (c == 'd' || c == 's' || c == 'w' || c == 'D' || c == 'S' || c == 'W') {
      p.kind = Primitive::Kind::Perl;
      p.negated = c == 'D' || c == 'S' || c == 'W';
      p.perl = (c == 'd' || c == 'D') ? PerlKind::Digit
               : (c == 's' || c == 'S') ? PerlKind::Space
                                        : PerlKind::Word;
      bump();
      p.span = Span{start, pos_};
      return p;
    }
    bump();
    p.span = Span{start, pos_};
    auto literal = [&](LiteralKind kind, char32_t value) {
      p.kind = Primitive::Kind::Literal;
      p.lit = Literal{p.span, kind, value};
      return p;
    };
    auto assertion = [&](AssertionKind kind) {
      p.kind = Primitive::Kind::Assertion;
      p.assertion = kind;
      return p;
    };
    if (is_meta_character(c)) return literal(LiteralKind::Meta, c);
    if (is_escapeable_character(c)) return literal(LiteralKind::Superfluous, c);
    switch (c) {
      case 'a': return literal(LiteralKind::Special, 0x07);
      case 'f': return literal(LiteralKind::Special, 0x0C);
      case 't': return literal(LiteralKind::Special, '\t');
      case 'n': return literal(LiteralKind::Special, '\n');
      case 'r': return literal(LiteralKind::Special, '\r');
      case 'v': return literal(LiteralKind::Special, 0x0B);
      case 'A': return assertion(AssertionKind::StartText);
      case 'z': return assertion(AssertionKind::EndText);
      case 'B': return assertion(AssertionKind::NotWordBoundary);
      case '<': return assertion(AssertionKind::WordBoundaryStartAngle);
      case '>': return assertion(AssertionKind::WordBoundaryEndAngle);
      case 'b': {
        assertion(AssertionKind::WordBoundary);
        if (!eof() && ch() == '{') {
          if (auto kind = maybe_parse_special_word_boundary(start)) {
            p.assertion = *kind;
            p.span.end = pos_;
          }
        }
        return p;
      }
      default:
        fail(ErrorKind::EscapeUnrecognized, p.span);
    }
  }

  // After `\b` at `{`: either \b{start} and its kin, or (when the first
  // character inside cannot start a name) a counted repetition of \b, in
  // which case the cursor is left on the `{`.
  std::optional<AssertionKind> maybe_parse_special_word_boundary(std::size_t wb_start) {
    auto valid = [](char32_t c) {
      return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
    };
    const std::size_t start = pos_;
    if (!bump_and_bump_space())
      fail(ErrorKind::SpecialWordOrRepetitionUnexpectedEof, Span{wb_start, pos_});
    const std::size_t contents = pos_;
    if (!valid(ch())) {
      pos_ = start;
      return std::nullopt;
    }
    std::string name;
    while (!eof() && valid(ch())) {
      name.push_back(static_cast<char>(ch()));
      bump_and_bump_space();
    }
    if (eof() || ch() != '}') fail(ErrorKind::SpecialWordBoundaryUnclosed, Span{start, pos_});
    const std::size_t end = pos_;
    bump();
    if (name == "start") return AssertionKind::WordBoundaryStart;
    if (name == "end") return AssertionKind::WordBoundaryEnd;
    if (name == "start-half") return AssertionKind::WordBoundaryStartHalf;
    if (name == "end-half") return AssertionKind::WordBoundaryEndHalf;
    fail(ErrorKind::SpecialWordBoundaryUnrecognized, Span{contents, end});
  }

  // At `x`, `u` or `U` after a backslash.
  Literal parse_hex() {
    const char32_t k = ch();
    const int digits = k == 'x' ? 2 : k == 'u' ? 4 : 8;
    if (!bump_and_bump_space()) fail(ErrorKind::EscapeUnexpectedEof, here());
    if (ch() == '{') return parse_hex_brace();
    std::string hex;
    const std::size_t start = pos_;
    for (int i = 0; i < digits; ++i) {
      if (i > 0 && !bump_and_bump_space()) fail(ErrorKind::EscapeUnexpectedEof, here());
      if (!is_hex(ch())) fail(ErrorKind::EscapeHexInvalidDigit, span_char());
      hex.push_back(static_cast<char>(ch()));
    }
    bump_and_bump_space();
    const Span span{start, pos_};
    std::optional<char32_t> c = scalar_from_hex(hex);
    if (!c) fail(ErrorKind::EscapeHexInvalid, span);
    return Literal{span, k == 'x' ? LiteralKind::HexFixedX : LiteralKind::HexFixedU, *c};
  }

  Literal parse_hex_brace() {
    std::string hex;
    const std::size_t brace = pos_;
    const std::size_t start = span_char().end;
    while (bump_and_bump_space() && ch() != '}') {
      if (!is_hex(ch())) fail(ErrorKind::EscapeHexInvalidDigit, span_char());
      hex.push_back(static_cast<char>(ch()));
    }
    if (eof()) fail(ErrorKind::EscapeUnexpectedEof, Span{brace, pos_});
    const std::size_t end = pos_;
    bump_and_bump_space();
    if (hex.empty()) fail(ErrorKind::EscapeHexEmpty, Span{brace, pos_});
    std::optional<char32_t> c = scalar_from_hex(hex);
    if (!c) fail(ErrorKind::EscapeHexInvalid, Span{start, end});
    return Literal{Span{start, pos_}, LiteralKind::HexBrace, *c};
  }

  // The scalar value written by `hex` (any number of hex digits), if it fits
  // 32 bits and is a scalar value.
  static std::optional<char32_t> scalar_from_hex(const std::string& hex) {
    std::uint64_t v = 0;
    for (char d : hex) {
      int x = d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10;
      v = v * 16 + static_cast<std::uint64_t>(x);
      if (v > UINT32_MAX) return std::nullopt;
    }
    if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return std::nullopt;
    return static_cast<char32_t>(v);
  }

  // At `p` or `P` after a backslash.
  UnicodeClass parse_unicode_class() {
    UnicodeClass u;
    u.negated = ch() == 'P';
    if (!bump_and_bump_space()) fail(ErrorKind::EscapeUnexpectedEof, here());
    std::size_t start;
    if (ch() == '{') {
      start = span_char().end;
      std::string name;
      while (bump_and_bump_space() && ch() != '}') unicode::append_utf8(name, ch());
      if (eof()) fail(ErrorKind::EscapeUnexpectedEof, here());
      bump();
      u.form = UnicodeClassForm::NamedValue;
      if (auto i = name.find("!="); i != std::string::npos) {
        u.not_equal = true;
        u.name = name.substr(0, i);
        u.value = name.substr(i + 2);
      } else if (auto j = name.find(':'); j != std::string::npos) {
        u.name = name.substr(0, j);
        u.value = name.substr(j + 1);
      } else if (auto e = name.find('='); e != std::string::npos) {
        u.name = name.substr(0, e);
        u.value = name.substr(e + 1);
      } else {
        u.form = UnicodeClassForm::Named;
        u.name = std::move(name);
      }
    } else {
      start = pos_;
      if (ch() == '\\') fail(ErrorKind::UnicodeClassInvalid, span_char());
      u.form = UnicodeClassForm::OneLetter;
      unicode::append_utf8(u.name, ch());
      bump_and_bump_space();
    }
    u.span = Span{start, pos_};
    return u;
  }

  // ---- bracketed classes ----
  NodeId parse_set_class() {
    UnionBuf u{here(), {}};
    for (;;) {
      bump_space();
      if (eof()) unclosed_class();
      const char32_t c = ch();
      if (c == '[') {
        if (!classes_.empty()) {
          if (auto ascii = maybe_parse_ascii_class()) {
            union_push(u, *ascii);
            continue;
          }
        }
        u = push_class_open(std::move(u));
      } else if (c == ']') {
        NodeId done;
        if (pop_class(u, done)) return add(Node{.kind = NodeKind::ClassBracketed,
                                                .span = class_span(done), .class_root = done});
      } else if (c == '&' && peek() == U'&') {
        bump_if("&&");
        u = push_class_op(ClassKind::Intersection, std::move(u));
      } else if (c == '-' && peek() == U'-') {
        bump_if("--");
        u = push_class_op(ClassKind::Difference, std::move(u));
      } else if (c == '~' && peek() == U'~') {
        bump_if("~~");
        u = push_class_op(ClassKind::SymmetricDifference, std::move(u));
      } else {
        union_push(u, parse_set_class_range());
      }
    }
  }

  void union_push(UnionBuf& u, NodeId item) {
    const Span s = class_span(item);
    if (u.items.empty()) u.span.start = s.start;
    u.span.end = s.end;
    u.items.push_back(item);
  }

  NodeId union_into_item(UnionBuf u) {
    if (u.items.empty()) return add_class(ClassNode{.kind = ClassKind::Empty, .span = u.span});
    if (u.items.size() == 1) return u.items[0];
    return add_class(ClassNode{.kind = ClassKind::Union, .span = u.span, .subs = std::move(u.items)});
  }

  [[noreturn]] void unclosed_class() {
    for (auto it = classes_.rbegin(); it != classes_.rend(); ++it)
      if (it->is_open) fail(ErrorKind::ClassUnclosed, class_span(it->set));
    kc::panic("regex parser: no open character class");
  }

  UnionBuf push_class_open(UnionBuf parent) {
    const std::size_t start = pos_;
    if (!bump_and_bump_space()) fail(ErrorKind::ClassUnclosed, Span{start, pos_});
    bool negated = false;
    if (ch() == '^') {
      negated = true;
      if (!bump_and_bump_space()) fail(ErrorKind::ClassUnclosed, Span{start, pos_});
    }
    // Leading `-` are literals, and so is a `]` right after the opening.
    UnionBuf u{here(), {}};
    while (ch() == '-') {
      union_push(u, add_class(ClassNode{.kind = ClassKind::Literal, .span = span_char(),
                                        .lit = Literal{span_char(), LiteralKind::Verbatim, '-'}}));
      if (!bump_and_bump_space()) fail(ErrorKind::ClassUnclosed, Span{start, start});
    }
    if (u.items.empty() && ch() == ']') {
      union_push(u, add_class(ClassNode{.kind = ClassKind::Literal, .span = span_char(),
                                        .lit = Literal{span_char(), LiteralKind::Verbatim, ']'}}));
      if (!bump_and_bump_space()) fail(ErrorKind::ClassUnclosed, Span{start, pos_});
    }
    NodeId set = add_class(ClassNode{.kind = ClassKind::Bracketed, .span = Span{start, pos_},
                                     .negated = negated});
    ClassState st;
    st.is_open = true;
    st.parent = std::move(parent);
    st.set = set;
    classes_.push_back(std::move(st));
    return u;
  }

  UnionBuf push_class_op(ClassKind kind, UnionBuf next) {
    NodeId lhs = pop_class_op(union_into_item(std::move(next)));
    ClassState st;
    st.op = kind;
    st.lhs = lhs;
    classes_.push_back(std::move(st));
    return UnionBuf{here(), {}};
  }

  NodeId pop_class_op(NodeId rhs) {
    if (classes_.empty() || classes_.back().is_open) return rhs;
    ClassState st = std::move(classes_.back());
    classes_.pop_back();
    return add_class(ClassNode{.kind = st.op,
                               .span = Span{class_span(st.lhs).start, class_span(rhs).end},
                               .subs = {st.lhs, rhs}});
  }

  // At `]`: closes the innermost bracket. True (with `done`) when that was
  // the outermost one; otherwise `u` becomes the enclosing union.
  bool pop_class(UnionBuf& u, NodeId& done) {
    NodeId set_kind = pop_class_op(union_into_item(std::move(u)));
    if (classes_.empty() || !classes_.back().is_open) kc::panic("regex parser: class stack broken");
    ClassState st = std::move(classes_.back());
    classes_.pop_back();
    bump();
    ClassNode& set = ast_->class_nodes[st.set];
    set.span.end = pos_;
    set.subs = {set_kind};
    if (classes_.empty()) {
      done = st.set;
      return true;
    }
    u = std::move(st.parent);
    union_push(u, st.set);
    return false;
  }

  // At `[` inside a class: [:name:] or [:^name:]; on anything else the
  // cursor is restored and nothing is consumed.
  std::optional<NodeId> maybe_parse_ascii_class() {
    const std::size_t start = pos_;
    auto back = [&]() -> std::optional<NodeId> {
      pos_ = start;
      return std::nullopt;
    };
    if (!bump() || ch() != ':') return back();
    if (!bump()) return back();
    bool negated = false;
    if (ch() == '^') {
      negated = true;
      if (!bump()) return back();
    }
    const std::size_t name_start = pos_;
    while (ch() != ':' && bump()) {
    }
    if (eof()) return back();
    std::string_view name = pat_.substr(name_start, pos_ - name_start);
    if (!bump_if(":]")) return back();
    std::optional<AsciiKind> kind = ascii_kind(name);
    if (!kind) return back();
    return add_class(ClassNode{.kind = ClassKind::Ascii, .span = Span{start, pos_},
                               .ascii = *kind, .negated = negated});
  }

  NodeId parse_set_class_range() {
    Primitive first = parse_set_class_item();
    bump_space();
    if (eof()) unclosed_class();
    if (ch() != '-' || peek_space() == U']' || peek_space() == U'-') return class_item(first);
    if (!bump_and_bump_space()) unclosed_class();
    Primitive second = parse_set_class_item();
    const Span span{first.span.start, second.span.end};
    Literal lo = class_literal(first);
    Literal hi = class_literal(second);
    if (lo.c > hi.c) fail(ErrorKind::ClassRangeInvalid, span);
    return add_class(ClassNode{.kind = ClassKind::Range, .span = span, .lit = lo, .lit_end = hi});
  }

  Primitive parse_set_class_item() {
    if (ch() == '\\') return parse_escape();
    Primitive p;
    p.kind = Primitive::Kind::Literal;
    p.span = span_char();
    p.lit = Literal{p.span, LiteralKind::Verbatim, ch()};
    bump();
    return p;
  }

  NodeId class_item(const Primitive& p) {
    switch (p.kind) {
      case Primitive::Kind::Literal:
        return add_class(ClassNode{.kind = ClassKind::Literal, .span = p.span, .lit = p.lit});
      case Primitive::Kind::Perl:
        return add_class(ClassNode{.kind = ClassKind::Perl, .span = p.span, .perl = p.perl,
                                   .negated = p.negated});
      case Primitive::Kind::Unicode:
        return add_class(ClassNode{.kind = ClassKind::Unicode, .span = p.span,
                                   .unicode = add_unicode(p.unicode)});
      default:
        fail(ErrorKind::ClassEscapeInvalid, p.span);
    }
  }

  Literal class_literal(const Primitive& p) {
    if (p.kind != Primitive::Kind::Literal) fail(ErrorKind::ClassRangeLiteral, p.span);
    return p.lit;
  }

  std::string_view pat_;
  std::size_t pos_ = 0;
  bool ignore_whitespace_ = false;
  std::uint32_t capture_index_ = 0;
  std::map<std::string, Span> names_;
  std::vector<GroupState> groups_;
  std::vector<ClassState> classes_;
  std::unique_ptr<Ast> ast_ = std::make_unique<Ast>();
};

}  // namespace

Result<Parsed> parse(std::string_view pattern) {
  std::unique_ptr<Ast> ast;
  try {
    ast = Parser(pattern).run();
  } catch (const Failure& f) {
    return syntax_error(pattern, f.kind, f.span, f.aux);
  }
  if (std::optional<Span> deep = find_too_deep(*ast, kNestLimit))
    return syntax_error(pattern, ErrorKind::NestLimitExceeded, *deep);
  return Parsed(std::move(ast), std::string(pattern));
}

}  // namespace kc::regex::syntax
