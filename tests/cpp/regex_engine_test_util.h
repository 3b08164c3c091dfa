// Helpers shared by the regex engine tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "regex/regex.h"
#include "regex/testing.h"

namespace kc::regex::test_util {

using Spans = std::vector<std::pair<std::size_t, std::size_t>>;

// Every match find_iter reports, in order.
inline Spans find_all(const Regex& re, std::string_view text) {
  Spans out;
  re.find_iter(text, [&](std::size_t s, std::size_t e) { out.emplace_back(s, e); });
  return out;
}

// Success if the normal and the prefiltered fallback paths report the same
// matches as the bare Pike VM; `*pike` receives the latter.
inline ::testing::AssertionResult paths_agree(const Regex& re, std::string_view text, Spans* pike) {
  {
    testing::ScopedPath path(testing::Path::PikeVm);
    *pike = find_all(re, text);
  }
  for (testing::Path p : {testing::Path::Normal, testing::Path::Fallback}) {
    testing::ScopedPath path(p);
    if (find_all(re, text) != *pike) return ::testing::AssertionFailure() << "path " << static_cast<int>(p);
    if (re.is_match(text) == pike->empty()) return ::testing::AssertionFailure() << "is_match, path " << static_cast<int>(p);
  }
  return ::testing::AssertionSuccess();
}

// The seed of a randomized test: KC_SEED from the environment (a longer
// search with another seed), else `fixed`.
inline unsigned seed_or(unsigned fixed) {
  const char* s = std::getenv("KC_SEED");
  return s ? static_cast<unsigned>(std::atoi(s)) : fixed;
}
// `quick` rounds normally; `thorough` when KC_SEED is set.
inline int rounds(int quick, int thorough) { return std::getenv("KC_SEED") ? thorough : quick; }

}  // namespace kc::regex::test_util
