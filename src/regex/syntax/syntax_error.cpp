// Formats syntax errors exactly as the crate displays them: one caret line
// per pattern line that holds a span, spans crossing a line break written as
// a note instead.
#include "regex/syntax/syntax_error.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kc::regex::syntax {

std::string_view error_message(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::CaptureLimitExceeded:
      return "exceeded the maximum number of capturing groups (4294967295)";
    case ErrorKind::ClassEscapeInvalid: return "invalid escape sequence found in character class";
    case ErrorKind::ClassRangeInvalid:
      return "invalid character class range, the start must be <= the end";
    case ErrorKind::ClassRangeLiteral: return "invalid range boundary, must be a literal";
    case ErrorKind::ClassUnclosed: return "unclosed character class";
    case ErrorKind::DecimalEmpty: return "decimal literal empty";
    case ErrorKind::DecimalInvalid: return "decimal literal invalid";
    case ErrorKind::EscapeHexEmpty: return "hexadecimal literal empty";
    case ErrorKind::EscapeHexInvalid: return "hexadecimal literal is not a Unicode scalar value";
    case ErrorKind::EscapeHexInvalidDigit: return "invalid hexadecimal digit";
    case ErrorKind::EscapeUnexpectedEof:
      return "incomplete escape sequence, reached end of pattern prematurely";
    case ErrorKind::EscapeUnrecognized: return "unrecognized escape sequence";
    case ErrorKind::FlagDanglingNegation: return "dangling flag negation operator";
    case ErrorKind::FlagDuplicate: return "duplicate flag";
    case ErrorKind::FlagRepeatedNegation: return "flag negation operator repeated";
    case ErrorKind::FlagUnexpectedEof: return "expected flag but got end of regex";
    case ErrorKind::FlagUnrecognized: return "unrecognized flag";
    case ErrorKind::GroupNameDuplicate: return "duplicate capture group name";
    case ErrorKind::GroupNameEmpty: return "empty capture group name";
    case ErrorKind::GroupNameInvalid: return "invalid capture group character";
    case ErrorKind::GroupNameUnexpectedEof: return "unclosed capture group name";
    case ErrorKind::GroupUnclosed: return "unclosed group";
    case ErrorKind::GroupUnopened: return "unopened group";
    case ErrorKind::NestLimitExceeded:
      return "exceed the maximum number of nested parentheses/brackets (250)";
    case ErrorKind::RepetitionCountDecimalEmpty: return "repetition quantifier expects a valid decimal";
    case ErrorKind::RepetitionCountInvalid:
      return "invalid repetition count range, the start must be <= the end";
    case ErrorKind::RepetitionCountUnclosed: return "unclosed counted repetition";
    case ErrorKind::RepetitionMissing: return "repetition operator missing expression";
    case ErrorKind::SpecialWordBoundaryUnclosed:
      return "special word boundary assertion is either unclosed or contains an invalid character";
    case ErrorKind::SpecialWordBoundaryUnrecognized:
      return "unrecognized special word boundary assertion, valid choices are: start, end, "
             "start-half or end-half";
    case ErrorKind::SpecialWordOrRepetitionUnexpectedEof:
      return "found either the beginning of a special word boundary or a bounded repetition on "
             "a \\b with an opening brace, but no closing brace";
    case ErrorKind::UnicodeClassInvalid: return "invalid Unicode character class";
    case ErrorKind::UnsupportedBackreference: return "backreferences are not supported";
    case ErrorKind::UnsupportedLookAround:
      return "look-around, including look-ahead and look-behind, is not supported";
    case ErrorKind::UnicodePropertyNotFound: return "Unicode property not found";
    case ErrorKind::UnicodePropertyValueNotFound: return "Unicode property value not found";
    case ErrorKind::InvalidUtf8: return "pattern can match invalid UTF-8";
    case ErrorKind::UnicodeNotAllowed: return "Unicode not allowed here";
  }
  return "";
}

namespace {

// A position as the message shows it: 1-based line, 1-based column counted
// in characters; an LF ends its line.
struct Position {
  std::size_t offset;
  std::size_t line;
  std::size_t column;
};

struct LineSpan {
  Position start;
  Position end;
  bool operator<(const LineSpan& o) const {
    return start.offset != o.start.offset ? start.offset < o.start.offset
                                          : end.offset < o.end.offset;
  }
};

Position position_of(std::string_view pattern, std::size_t offset) {
  Position p{offset, 1, 1};
  for (std::size_t i = 0; i < offset && i < pattern.size(); ++i) {
    const auto b = static_cast<unsigned char>(pattern[i]);
    if (b == '\n') {
      ++p.line;
      p.column = 1;
    } else if ((b & 0xC0) != 0x80) {
      ++p.column;
    }
  }
  return p;
}

// The pattern's lines as the crate splits them: at LF, a CR before the LF
// dropped, no empty line after a final LF.
std::vector<std::string_view> split_lines(std::string_view pattern) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < pattern.size()) {
    std::size_t nl = pattern.find('\n', start);
    std::size_t end = nl == std::string_view::npos ? pattern.size() : nl;
    std::string_view line = pattern.substr(start, end - start);
    if (nl != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

void append_carets(std::string& out, std::vector<LineSpan>& spans, std::size_t padding) {
  std::sort(spans.begin(), spans.end());
  out.append(padding, ' ');
  std::size_t pos = 0;
  for (const LineSpan& s : spans) {
    while (pos + 1 < s.start.column) {
      out.push_back(' ');
      ++pos;
    }
    std::size_t n = s.end.column > s.start.column ? s.end.column - s.start.column : 1;
    out.append(n, '^');
    pos += n;
  }
  out.push_back('\n');
}

}  // namespace

Error syntax_error(std::string_view pattern, ErrorKind kind, Span span, std::optional<Span> aux) {
  const std::vector<std::string_view> lines = split_lines(pattern);
  std::size_t line_count = lines.size();
  if (!pattern.empty() && pattern.back() == '\n') ++line_count;
  const std::size_t width = line_count <= 1 ? 0 : std::to_string(line_count).size();

  std::vector<std::vector<LineSpan>> by_line(std::max<std::size_t>(line_count, 1));
  std::vector<LineSpan> multi_line;
  auto add = [&](Span s) {
    LineSpan ls{position_of(pattern, s.start), position_of(pattern, s.end)};
    if (ls.start.line == ls.end.line) {
      by_line[ls.start.line - 1].push_back(ls);
    } else {
      multi_line.push_back(ls);
    }
  };
  add(span);
  if (aux) add(*aux);
  std::sort(multi_line.begin(), multi_line.end());

  const bool multi = pattern.find('\n') != std::string_view::npos;
  const std::string divider(79, '~');
  std::string out = "regex parse error:\n";
  if (multi) out += divider + "\n";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (width > 0) {
      std::string number = std::to_string(i + 1);
      out.append(width - number.size(), ' ');
      out += number;
      out += ": ";
    } else {
      out += "    ";
    }
    out += lines[i];
    out.push_back('\n');
    if (!by_line[i].empty()) append_carets(out, by_line[i], width == 0 ? 4 : width + 2);
  }
  if (multi) {
    out += divider + "\n";
    for (const LineSpan& s : multi_line) {
      out += "on line " + std::to_string(s.start.line) + " (column " +
             std::to_string(s.start.column) + ") through line " + std::to_string(s.end.line) +
             " (column " + std::to_string(s.end.column - 1) + ")\n";
    }
  }
  out += "error: ";
  out += error_message(kind);
  return Error{Error::Kind::Syntax, std::move(out)};
}

}  // namespace kc::regex::syntax
