// The conformance files through the syntax layer: every compile_error case
// fails with the crate's exact text, every other pattern is accepted.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "regex/syntax/parse.h"

namespace kc::regex::syntax {
namespace {

struct Case {
  std::string kind;
  std::vector<std::string> patterns;
  std::string error;  // empty when the file gives no text
};

std::vector<Case> load(const std::string& file) {
  std::ifstream in(std::string(KC_CONFORMANCE_DIR) + "/" + file);
  std::vector<Case> cases;
  std::string line;
  while (std::getline(in, line)) {
    const auto j = nlohmann::json::parse(line);
    Case c;
    c.kind = j.at("kind").get<std::string>();
    if (j.contains("pattern")) c.patterns.push_back(j.at("pattern").get<std::string>());
    if (j.contains("patterns"))
      for (const auto& p : j.at("patterns")) c.patterns.push_back(p.get<std::string>());
    c.error = j.value("error", "");
    cases.push_back(std::move(c));
  }
  return cases;
}

// The size limit is enforced by the engine layer when it compiles the HIR;
// the syntax layer must accept those patterns.
bool is_size_limit(const std::string& error) {
  return error == "Compiled regex exceeds size limit of 10485760 bytes.";
}

bool is_translation_message(const std::string& error) {
  for (const char* m : {"error: Unicode property not found", "error: Unicode property value not found",
                        "error: pattern can match invalid UTF-8", "error: Unicode not allowed here"}) {
    const std::string tail(m);
    if (error.size() >= tail.size() && error.compare(error.size() - tail.size(), tail.size(), tail) == 0)
      return true;
  }
  return false;
}

class SyntaxConformance : public ::testing::TestWithParam<const char*> {};

// Parsing alone: parse errors carry the exact text; the rest parse.
TEST_P(SyntaxConformance, ParseStage) {
  const auto cases = load(GetParam());
  ASSERT_FALSE(cases.empty()) << GetParam();
  int exact = 0, later = 0, accepted = 0;
  for (const Case& c : cases) {
    for (const std::string& p : c.patterns) {
      Result<Parsed> r = parse(p);
      const Error* err = std::get_if<Error>(&r);
      if (c.kind != "compile_error") {
        EXPECT_EQ(err, nullptr) << p << "\n" << (err ? err->message : "");
        accepted += err == nullptr;
      } else if (err != nullptr) {
        if (c.error.empty()) {
          ++exact;
        } else {
          EXPECT_EQ(err->message, c.error) << p;
          exact += err->message == c.error;
        }
      } else {
        // Parsing succeeded: the error must come from a later stage.
        EXPECT_TRUE(c.error.empty() || is_size_limit(c.error) || is_translation_message(c.error))
            << p << "\n" << c.error;
        ++later;
      }
    }
  }
  std::cout << "[ parse   ] " << GetParam() << ": " << exact << " parse errors exact, " << later
            << " left to later stages, " << accepted << " valid patterns parsed\n";
}

// Parsing and translation: every compile_error case fails with the exact
// text (when the file gives one), every other pattern becomes an HIR.
TEST_P(SyntaxConformance, TranslateStage) {
  const auto cases = load(GetParam());
  ASSERT_FALSE(cases.empty()) << GetParam();
  int exact = 0, size_limit = 0, accepted = 0;
  for (const Case& c : cases) {
    for (const std::string& p : c.patterns) {
      Result<hir::Hir> r = parse_to_hir(p);
      const Error* err = std::get_if<Error>(&r);
      if (c.kind != "compile_error") {
        EXPECT_EQ(err, nullptr) << p << "\n" << (err ? err->message : "");
        accepted += err == nullptr;
      } else if (is_size_limit(c.error)) {
        EXPECT_EQ(err, nullptr) << p << "\n" << (err ? err->message : "");
        size_limit += err == nullptr;
      } else {
        ASSERT_NE(err, nullptr) << p;
        if (!c.error.empty()) EXPECT_EQ(err->message, c.error) << p;
        exact += c.error.empty() || err->message == c.error;
      }
    }
  }
  std::cout << "[ syntax  ] " << GetParam() << ": " << exact << " errors exact, " << size_limit
            << " size-limit cases translated (the limit is the engine's), " << accepted
            << " valid patterns translated\n";
}

INSTANTIATE_TEST_SUITE_P(Files, SyntaxConformance,
                         ::testing::Values("tests.jsonl", "differential.jsonl"));

}  // namespace
}  // namespace kc::regex::syntax
