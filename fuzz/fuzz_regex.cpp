// The regex front end and engines on any pattern: compiling yields a value or
// an error and never crashes; a compiled expression finds the same matches on
// RE2, on the prefiltered fallback and on the bare Pike VM.
//
// Input: pattern, then optionally a NUL byte and a text to search.
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "fuzz_input.h"
#include "regex/regex.h"
#include "regex/testing.h"

namespace {

using kc::fuzz::check;
using kc::fuzz::escaped;
using kc::regex::testing::Path;
using kc::regex::testing::ScopedPath;
using Spans = std::vector<std::pair<std::size_t, std::size_t>>;

struct Answer {
  Spans spans;
  bool is_match;
  std::size_t count;
  bool operator==(const Answer&) const = default;
};

constexpr std::size_t kMaxText = 64;

bool is_boundary(std::string_view text, std::size_t i) {
  return i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
}

// The length of the longest prefix of `text` within `limit` bytes that ends
// on a character boundary.
std::size_t char_prefix(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  while (!is_boundary(text, limit)) --limit;
  return limit;
}

Answer search(const kc::regex::Regex& re, std::string_view text, Path path) {
  ScopedPath scoped(path);
  Answer a{{}, re.is_match(text), re.count(text)};
  re.find_iter(text, [&](std::size_t s, std::size_t e) { a.spans.emplace_back(s, e); });
  return a;
}

std::string describe(const Spans& spans) {
  std::string out;
  for (auto [s, e] : spans) out += "[" + std::to_string(s) + "," + std::to_string(e) + ")";
  return out;
}

// The pattern's own characters without the syntax ones, so that literal
// parts of the pattern tend to occur in the text.
std::string literal_text(std::string_view pattern) {
  std::string out;
  for (char c : pattern)
    if (std::string_view("\\()[]{}*+?|^$.").find(c) == std::string_view::npos) out += c;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = kc::fuzz::to_utf8({reinterpret_cast<const char*>(data), size});
  const auto parts = kc::fuzz::split(input, '\0', 2);
  const std::string_view pattern = parts[0];

  auto compiled = kc::regex::Regex::compile(pattern);
  if (auto* err = std::get_if<kc::regex::Error>(&compiled)) {
    check(!err->message.empty(), "empty error message for " + escaped(pattern));
    return 0;
  }
  const kc::regex::Regex& re = std::get<kc::regex::Regex>(compiled);

  const std::string literal = literal_text(pattern);
  std::vector<std::string> texts = {std::string(pattern), literal, literal + "\n" + literal,
                                    "Abc 123 _x\xC3\xA9\xCE\xA3\xE2\x80\x8D\xF0\x9F\x98\x80\r\n z"};
  if (parts.size() > 1) texts.emplace_back(parts[1]);
  // Searches cost pattern size x text length; huge counted repetitions are
  // legal, so short texts keep every input fast.
  for (std::string& text : texts) text.resize(char_prefix(text, kMaxText));

  for (const std::string& text : texts) {
    const Answer normal = search(re, text, Path::Normal);
    std::size_t last_end = 0;
    for (auto [s, e] : normal.spans) {
      check(s <= e && e <= text.size() && s >= last_end, "bad span order for " + escaped(pattern));
      check(is_boundary(text, s) && is_boundary(text, e), "span inside a character for " + escaped(pattern));
      last_end = e;
    }
    check(normal.is_match == !normal.spans.empty(), "is_match disagrees with find_iter for " + escaped(pattern));
    check(normal.count == normal.spans.size(), "count disagrees with find_iter for " + escaped(pattern));
    for (Path path : {Path::Fallback, Path::PikeVm}) {
      const Answer other = search(re, text, path);
      if (!(other == normal))
        kc::fuzz::fail("engines disagree: pattern " + escaped(pattern) + " text " + escaped(text) + " normal " +
                       describe(normal.spans) + (normal.is_match ? " match" : " no match") + ", " +
                       (path == Path::Fallback ? "fallback " : "pikevm ") + describe(other.spans) +
                       (other.is_match ? " match" : " no match"));
    }
  }
  return 0;
}
