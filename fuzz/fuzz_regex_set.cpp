// RegexSet construction and search on several patterns: the set compiles
// exactly when its members do, reports errors stage by stage as the crate
// does (the first parse error, else the first translation error), and
// matches exactly the members whose own Regex matches, on every engine path.
//
// Input: up to eight patterns separated by NUL bytes; the last part is also
// the text (with the patterns joined as a second text).
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz_input.h"
#include "regex/regex.h"
#include "regex/syntax/parse.h"
#include "regex/testing.h"

namespace {

using kc::fuzz::check;
using kc::fuzz::escaped;
using kc::regex::Error;
using kc::regex::Regex;
using kc::regex::RegexSet;
using kc::regex::testing::Path;
using kc::regex::testing::ScopedPath;

std::string describe(const std::vector<std::string>& patterns) {
  std::string out;
  for (const auto& p : patterns) out += escaped(p) + " ";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = kc::fuzz::to_utf8({reinterpret_cast<const char*>(data), size});
  const auto parts = kc::fuzz::split(input, '\0', 8);
  std::vector<std::string> patterns(parts.begin(), parts.end());
  std::string joined;
  for (const auto& p : patterns) joined += p + " ";

  std::vector<Regex> singles;
  std::optional<Error> first_syntax;
  bool any_error = false;
  std::vector<kc::regex::Result<Regex>> results;
  results.reserve(patterns.size());
  for (const auto& p : patterns) results.push_back(Regex::compile(p));
  // Every member is parsed before any is translated.
  for (const auto& p : patterns) {
    auto parsed = kc::regex::syntax::parse(p);
    if (auto* err = std::get_if<Error>(&parsed)) {
      first_syntax = *err;
      break;
    }
  }
  for (auto& r : results) {
    if (auto* err = std::get_if<Error>(&r)) {
      any_error = true;
      if (!first_syntax && err->kind == Error::Kind::Syntax) first_syntax = *err;
    } else {
      singles.push_back(std::move(std::get<Regex>(r)));
    }
  }

  auto set_result = RegexSet::compile(patterns);
  if (auto* err = std::get_if<Error>(&set_result)) {
    if (first_syntax) {
      check(err->kind == Error::Kind::Syntax && err->message == first_syntax->message,
            "set error is not the first member's syntax error: " + describe(patterns));
    } else {
      // Members that fit alone may still not fit together.
      check(err->kind == Error::Kind::CompiledTooBig, "set fails without a failing member: " + describe(patterns));
    }
    return 0;
  }
  check(!any_error, "set compiles although a member does not: " + describe(patterns));
  const RegexSet& set = std::get<RegexSet>(set_result);
  check(set.size() == patterns.size(), "set size");

  for (const std::string& text : {std::string(parts.back()), joined}) {
    std::vector<std::size_t> expected;
    for (std::size_t i = 0; i < singles.size(); ++i)
      if (singles[i].is_match(text)) expected.push_back(i);
    for (Path path : {Path::Normal, Path::Fallback, Path::PikeVm}) {
      ScopedPath scoped(path);
      const std::vector<std::size_t> got = set.matches(text);
      if (got != expected) {
        std::string g, e;
        for (auto i : got) g += std::to_string(i) + " ";
        for (auto i : expected) e += std::to_string(i) + " ";
        kc::fuzz::fail("set matches {" + g + "} but members {" + e + "} path " +
                       std::to_string(static_cast<int>(path)) + ": " + describe(patterns) + "text " + escaped(text));
      }
      check(set.is_match(text) == !expected.empty(), "set is_match: " + describe(patterns) + "text " + escaped(text));
    }
  }
  return 0;
}
