#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crf_features/lowered_tokens.h"
#include "crf_features/token_shape.h"

namespace {

using kc::crf_features::LoweredTokens;
using kc::crf_features::token_shape;

struct ShapeCase {
  std::string token;
  bool all_caps, title, digit;
};

class TokenShapeTest : public testing::TestWithParam<ShapeCase> {};

TEST_P(TokenShapeTest, Flags) {
  const ShapeCase& c = GetParam();
  const auto shape = token_shape(c.token);
  EXPECT_EQ(shape.all_caps, c.all_caps) << c.token;
  EXPECT_EQ(shape.title, c.title) << c.token;
  EXPECT_EQ(shape.digit, c.digit) << c.token;
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, TokenShapeTest,
    testing::Values(ShapeCase{"HELLO", true, false, false},
                    ShapeCase{"A", false, true, false},        // one byte: not all-caps
                    ShapeCase{"\xC3\x89", true, true, false},  // É: two bytes
                    ShapeCase{"A-B", true, true, false},
                    ShapeCase{"123", false, false, true},
                    ShapeCase{"1.5", false, false, false},
                    ShapeCase{"Hello", false, true, false},
                    ShapeCase{"Hello-World", false, true, false},
                    ShapeCase{"Jean-Luc", false, true, false},
                    ShapeCase{"A1B", true, true, false},
                    ShapeCase{"HeLLo", false, false, false},
                    ShapeCase{"iPhone", false, false, false},
                    ShapeCase{"1st", false, false, false},
                    ShapeCase{"hello", false, false, false},
                    ShapeCase{"--", false, false, false},
                    ShapeCase{"\xC7\x85", false, false, false},   // U+01C5 titlecase: uncased
                    ShapeCase{"\xC7\x85" "a", false, false, false},  // lower after uncased
                    ShapeCase{"\xCE\x91\xCE\xA3", true, false, false},  // ΑΣ
                    ShapeCase{"\xCE\x91\xCF\x83", false, true, false},  // Ασ
                    ShapeCase{"\xD9\xA3", false, false, false},  // Arabic-Indic three: not ASCII
                    ShapeCase{"007", false, false, true}));

TEST(LoweredTokens, EmptyList) {
  const LoweredTokens lowered(std::vector<std::string_view>{});
  EXPECT_EQ(lowered.size(), 0u);
}

struct LowerCase {
  std::string token;
  std::string lowered;
};

class LoweringTest : public testing::TestWithParam<LowerCase> {};

TEST_P(LoweringTest, FullMappingWithinToken) {
  const std::vector<std::string_view> tokens = {"BEFORE", GetParam().token, "AFTER"};
  const LoweredTokens lowered(tokens);
  ASSERT_EQ(lowered.size(), 3u);
  EXPECT_EQ(lowered[0], "before");
  EXPECT_EQ(lowered[1], GetParam().lowered);
  EXPECT_EQ(lowered[2], "after");
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, LoweringTest,
    testing::Values(LowerCase{"HeLLo", "hello"},
                    LowerCase{"a1_B!", "a1_b!"},
                    LowerCase{"Stra\xC3\x9F" "E", "stra\xC3\x9F" "e"},
                    LowerCase{"\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9"},
                    // U+0130 becomes i + U+0307: longer in bytes than the token.
                    LowerCase{"\xC4\xB0", "i\xCC\x87"},
                    // Sigma alone: not final. After a cased letter at the end: final.
                    LowerCase{"\xCE\xA3", "\xCF\x83"},
                    LowerCase{"\xCE\x91\xCE\xA3", "\xCE\xB1\xCF\x82"},
                    LowerCase{"\xCE\xA3\xCE\x91", "\xCF\x83\xCE\xB1"},
                    LowerCase{"\xCE\x91\xCE\xA3\xCE\x91", "\xCE\xB1\xCF\x83\xCE\xB1"},
                    // A case-ignorable full stop after the sigma is skipped.
                    LowerCase{"\xCE\x91\xCE\xA3.", "\xCE\xB1\xCF\x82."},
                    // Titlecase U+01C5 lowers to U+01C6.
                    LowerCase{"\xC7\x85", "\xC7\x86"}));

}  // namespace
