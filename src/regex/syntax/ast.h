// The parse tree of one pattern, as the parser builds it and the translator reads it.
//
// Nodes live in two arenas owned by `Ast` and refer to each other by index, so
// that a tree of any depth is built and destroyed without recursion (the nest
// limit is only checked after parsing). Every node keeps the byte span of the
// pattern text it came from; error messages are positioned with these spans.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "util/span.h"

namespace kc::regex::syntax {

using NodeId = std::uint32_t;

// How a literal character was written; the translator needs to know whether
// it was a byte escape (\xNN), which means a raw byte when Unicode is off.
enum class LiteralKind : std::uint8_t {
  Verbatim,     // the character itself
  Meta,         // an escaped meta character such as \*
  Superfluous,  // an escaped character that has no meaning, such as \%
  HexFixedX,    // \xNN
  HexFixedU,    // \uNNNN or \UNNNNNNNN
  HexBrace,     // \x{...}, \u{...}, \U{...}
  Special,      // \a \f \t \n \r \v
};

struct Literal {
  Span span{0, 0};
  LiteralKind kind = LiteralKind::Verbatim;
  char32_t c = 0;
  // True if this literal denotes a byte rather than a character when Unicode
  // mode is off: only the two-digit \xNN form does.
  bool is_byte_escape() const { return kind == LiteralKind::HexFixedX && c <= 0xFF; }
};

enum class AssertionKind : std::uint8_t {
  StartLine,               // ^
  EndLine,                 // $
  StartText,               // \A
  EndText,                 // \z
  WordBoundary,            // \b
  NotWordBoundary,         // \B
  WordBoundaryStart,       // \b{start}
  WordBoundaryEnd,         // \b{end}
  WordBoundaryStartAngle,  // \<
  WordBoundaryEndAngle,    // \>
  WordBoundaryStartHalf,   // \b{start-half}
  WordBoundaryEndHalf,     // \b{end-half}
};

enum class PerlKind : std::uint8_t { Digit, Space, Word };

// The POSIX-style names usable as [[:name:]] inside a bracketed class.
enum class AsciiKind : std::uint8_t {
  Alnum, Alpha, Ascii, Blank, Cntrl, Digit, Graph, Lower, Print, Punct, Space, Upper, Word, Xdigit
};

enum class UnicodeClassForm : std::uint8_t {
  OneLetter,   // \pL: `name` holds the letter
  Named,       // \p{Greek}
  NamedValue,  // \p{name=value}, \p{name:value}, \p{name!=value}
};

// A \p / \P escape.
struct UnicodeClass {
  Span span{0, 0};
  bool negated = false;  // written as \P
  UnicodeClassForm form = UnicodeClassForm::OneLetter;
  bool not_equal = false;  // the != operator, which negates as well
  std::string name;
  std::string value;
  bool is_negated() const { return negated != not_equal; }
};

enum class ClassKind : std::uint8_t {
  // Items of a bracketed class.
  Empty,      // nothing, e.g. the right side of [a&&]
  Literal,    // `lit`
  Range,      // `lit` through `lit_end`
  Ascii,      // `ascii`, `negated`
  Unicode,    // unicode[`unicode`]
  Perl,       // `perl`, `negated`
  Bracketed,  // a nested [...]: `negated`, its set is subs[0]
  Union,      // subs, two or more
  // Set operations, all of equal precedence and left associative: subs[0] op subs[1].
  Intersection,
  Difference,
  SymmetricDifference,
};

struct ClassNode {
  ClassKind kind = ClassKind::Empty;
  Span span{0, 0};
  Literal lit;
  Literal lit_end;
  AsciiKind ascii = AsciiKind::Alnum;
  PerlKind perl = PerlKind::Digit;
  bool negated = false;
  std::uint32_t unicode = 0;
  std::vector<NodeId> subs;
};

enum class RepetitionKind : std::uint8_t { ZeroOrOne, ZeroOrMore, OneOrMore, Range };

enum class GroupKind : std::uint8_t { CaptureIndex, CaptureName, NonCapturing };

// One item of a flag list such as `i-s`: a flag letter, or the negation `-`.
struct FlagItem {
  Span span{0, 0};
  char flag = '-';  // one of "imsUuRx", or '-' for the negation operator
};

enum class NodeKind : std::uint8_t {
  Empty,           // nothing (an empty group, alternative or pattern)
  Flags,           // a flag directive such as (?i): `flags`
  Literal,         // `lit`
  Dot,             // .
  Assertion,       // `assertion`
  ClassUnicode,    // unicode[`unicode`]
  ClassPerl,       // `perl`, `negated`
  ClassBracketed,  // class_nodes[`class_root`], a ClassKind::Bracketed node
  Repetition,      // subs[0] repeated: `rep`, `min`, `max`, `greedy`
  Group,           // subs[0] in a group: `group`, `capture_index`, `name`, `flags`
  Alternation,     // subs, two or more
  Concat,          // subs, two or more
};

struct Node {
  NodeKind kind = NodeKind::Empty;
  Span span{0, 0};
  Literal lit;
  AssertionKind assertion = AssertionKind::StartLine;
  PerlKind perl = PerlKind::Digit;
  bool negated = false;
  std::uint32_t unicode = 0;
  NodeId class_root = 0;
  RepetitionKind rep = RepetitionKind::ZeroOrOne;
  std::uint32_t min = 0;
  std::optional<std::uint32_t> max;
  bool greedy = true;
  GroupKind group = GroupKind::CaptureIndex;
  std::uint32_t capture_index = 0;
  std::string name;
  Span name_span{0, 0};
  std::vector<FlagItem> flags;
  std::vector<NodeId> subs;
};

// A whole parse tree. Copyable and movable.
struct Ast {
  std::vector<Node> nodes;
  std::vector<ClassNode> class_nodes;
  std::vector<UnicodeClass> unicode;
  NodeId root = 0;
};

}  // namespace kc::regex::syntax
