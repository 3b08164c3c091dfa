// The regex conformance data (upstream test suite and differential cases),
// run through Regex and RegexSet on the normal engine path and with the
// fallback forced. Prints pass counts per file and path.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "regex/regex.h"
#include "regex/testing.h"

namespace kc::regex {
namespace {

using nlohmann::json;
using testing::Path;

std::vector<json> load(const std::string& name) {
  std::ifstream in(std::string(KC_CONFORMANCE_DIR) + "/" + name);
  std::vector<json> cases;
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) cases.push_back(json::parse(line));
  return cases;
}

std::string describe(const json& c) {
  std::string s = c.contains("name") ? c["file"].get<std::string>() + "/" + c["name"].get<std::string>() : "";
  return s + " " + (c.contains("pattern") ? c["pattern"].dump() : c["patterns"].dump()) + " on " +
         c.value("haystack", json()).dump();
}

constexpr Path kPaths[] = {Path::Normal, Path::Fallback};
constexpr const char* kPathNames[] = {"normal", "fallback"};

// Checks one search result on the current path: empty on success, else what
// went wrong.
std::string check_find(const json& c, const Regex& re, const std::string& haystack) {
  std::size_t limit = c.contains("match_limit") ? c["match_limit"].get<std::size_t>() : SIZE_MAX;
  json got = json::array();
  re.find_iter(haystack, [&](std::size_t s, std::size_t e) {
    if (got.size() < limit) got.push_back({s, e});
  });
  if (got != c["matches"]) return "matches " + got.dump();
  if (re.is_match(haystack) != !got.empty()) return "is_match disagrees";
  if (limit == SIZE_MAX && re.count(haystack) != got.size()) return "count disagrees";
  return "";
}

std::string check_set(const json& c, const RegexSet& set, const std::string& haystack) {
  std::vector<std::size_t> got = set.matches(haystack);
  if (json(got) != c["set_ids"]) return "set ids " + json(got).dump();
  if (set.is_match(haystack) != !got.empty()) return "is_match disagrees";
  return "";
}

// Runs one case, compiled once, on every path; problems[p] is empty when
// path p passed.
void run_case(const json& c, std::string (&problems)[2]) {
  const std::string kind = c["kind"];
  const std::string haystack = c.value("haystack", std::string());
  if (kind == "compile_error") {
    // Compiling must fail; where the case names the error, with that text.
    Result<Regex> made = Regex::compile(c["pattern"].get<std::string>());
    auto* e = std::get_if<Error>(&made);
    std::string problem = e == nullptr                                       ? "compiled"
                          : c.contains("error") && e->message != c["error"] ? "error " + e->message
                                                                            : "";
    for (std::string& p : problems) p = problem;
    return;
  }
  if (kind == "find_iter") {
    Result<Regex> made = Regex::compile(c["pattern"].get<std::string>());
    for (int p = 0; p < 2; ++p) {
      testing::ScopedPath path(kPaths[p]);
      auto* e = std::get_if<Error>(&made);
      problems[p] = e ? "compile error: " + e->message : check_find(c, std::get<Regex>(made), haystack);
    }
    return;
  }
  Result<RegexSet> made = RegexSet::compile(c["patterns"].get<std::vector<std::string>>());
  for (int p = 0; p < 2; ++p) {
    testing::ScopedPath path(kPaths[p]);
    auto* e = std::get_if<Error>(&made);
    problems[p] = e ? "compile error: " + e->message : check_set(c, std::get<RegexSet>(made), haystack);
  }
}

// The cases this runner owns: every search, and the compile failures that
// are not syntax errors with a text to match (the syntax layer's own tests
// check those).
bool engine_case(const json& c) {
  if (c["kind"] != "compile_error" || !c.contains("error")) return true;
  return c["error"].get<std::string>().rfind("Compiled regex exceeds", 0) == 0;
}

void run_file(const char* file) {
  std::vector<json> cases = load(file);
  ASSERT_FALSE(cases.empty()) << file;
  std::size_t ran = 0, passed[2] = {0, 0};
  std::ostringstream failures;
  for (const json& c : cases) {
    if (!engine_case(c)) continue;
    ++ran;
    std::string problems[2];
    run_case(c, problems);
    for (int p = 0; p < 2; ++p) {
      if (problems[p].empty()) {
        ++passed[p];
      } else {
        failures << "  [" << kPathNames[p] << "] " << describe(c) << ": " << problems[p] << "\n";
      }
    }
  }
  for (int p = 0; p < 2; ++p)
    std::cout << "[conformance] " << file << " (" << kPathNames[p] << "): " << passed[p] << " of " << ran
              << " passed\n";
  EXPECT_EQ(passed[0] + passed[1], 2 * ran) << failures.str();
}

TEST(RegexEngineConformance, UpstreamTests) { run_file("tests.jsonl"); }
TEST(RegexEngineConformance, DifferentialCases) { run_file("differential.jsonl"); }

}  // namespace
}  // namespace kc::regex
