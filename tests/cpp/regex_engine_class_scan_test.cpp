// Single-class patterns take a direct scanner on the normal path; it must
// agree with the Pike VM on every match, including where find_iter stops early.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <variant>
#include <vector>

#include "regex/regex.h"
#include "regex/testing.h"

namespace {

using kc::regex::Regex;
using kc::regex::testing::Path;
using kc::regex::testing::ScopedPath;

std::vector<std::pair<std::size_t, std::size_t>> all_matches(const Regex& re, const std::string& text) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  re.find_iter(text, [&](std::size_t s, std::size_t e) { out.emplace_back(s, e); });
  return out;
}

TEST(RegexClassScan, AgreesWithThePikeVm) {
  const char* patterns[] = {"\\S+", "[^a-zA-Z0-9\\s]", "\\w+", "(?i)[a-zé]+", "\\pL", "[^\\n]+", "[x]+",
                            "[\\p{Greek}--\\p{Ll}]+", "(?i)k"};
  const std::vector<std::string> pieces = {"a", "Z", "9", "_", " ", "\t", "\n", "é", "É", "\xC2\xA0",
                                           "\xE2\x80\x8B", "\xCE\xA3", "\xCF\x83", "\xE2\x84\xAA", "K",
                                           "\xF0\x9F\x98\x80", "x", "-"};
  std::mt19937 rng(5);
  for (const char* pattern : patterns) {
    auto compiled = Regex::compile(pattern);
    ASSERT_TRUE(std::holds_alternative<Regex>(compiled)) << pattern;
    const Regex& re = std::get<Regex>(compiled);
    for (int round = 0; round < 200; ++round) {
      std::string text;
      const int length = std::uniform_int_distribution<int>(0, 30)(rng);
      for (int k = 0; k < length; ++k) text += pieces[rng() % pieces.size()];
      const auto normal = all_matches(re, text);
      const bool normal_any = re.is_match(text);
      ScopedPath vm(Path::PikeVm);
      EXPECT_EQ(normal, all_matches(re, text)) << pattern << " on " << text;
      EXPECT_EQ(normal_any, re.is_match(text)) << pattern << " on " << text;
    }
  }
}

TEST(RegexFindIter, StopsWhenTheCallbackSaysSo) {
  auto compiled = Regex::compile("\\S+");
  ASSERT_TRUE(std::holds_alternative<Regex>(compiled));
  const Regex& re = std::get<Regex>(compiled);
  for (Path path : {Path::Normal, Path::PikeVm}) {
    ScopedPath scoped(path);
    std::vector<std::size_t> starts;
    re.find_iter(std::string("a bb ccc dddd"), [&](std::size_t s, std::size_t) {
      starts.push_back(s);
      return starts.size() < 2;
    });
    EXPECT_EQ(starts, (std::vector<std::size_t>{0, 2}));
  }
}

}  // namespace
