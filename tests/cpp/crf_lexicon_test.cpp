#include "crf_features/keyword_lexicons.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

namespace {

using kc::crf_features::find_keyword;
using kc::crf_features::in_lexicon;
using kc::crf_features::Lexicon;
using kc::crf_features::lexicon_words;

constexpr Lexicon kAll[] = {Lexicon::kInstruction, Lexicon::kRole, Lexicon::kAction,
                            Lexicon::kJailbreak};

TEST(KeywordLexicons, SizesAndDisjointness) {
  EXPECT_EQ(lexicon_words(Lexicon::kInstruction).size(), 17u);
  EXPECT_EQ(lexicon_words(Lexicon::kRole).size(), 18u);
  EXPECT_EQ(lexicon_words(Lexicon::kAction).size(), 18u);
  EXPECT_EQ(lexicon_words(Lexicon::kJailbreak).size(), 17u);
  std::set<std::string_view> all;
  for (Lexicon lex : kAll) {
    for (std::string_view w : lexicon_words(lex)) {
      EXPECT_TRUE(all.insert(w).second) << w;
      ASSERT_FALSE(w.empty());
      for (char c : w) EXPECT_TRUE(c >= 'a' && c <= 'z') << w;
    }
  }
  EXPECT_EQ(all.size(), 70u);
}

TEST(KeywordLexicons, EveryWordIsFoundInItsOwnLexiconOnly) {
  for (Lexicon lex : kAll) {
    for (std::string_view w : lexicon_words(lex)) {
      // A copy, so the lookup compares bytes rather than the stored pointer.
      const std::string copy(w);
      EXPECT_EQ(find_keyword(copy), lex) << w;
      for (Lexicon other : kAll) EXPECT_EQ(in_lexicon(other, copy), other == lex) << w;
    }
  }
}

struct MembershipCase {
  std::string word;
  std::optional<Lexicon> lexicon;
};

class KeywordMembershipTest : public testing::TestWithParam<MembershipCase> {};

TEST_P(KeywordMembershipTest, IsByteExact) {
  EXPECT_EQ(find_keyword(GetParam().word), GetParam().lexicon) << GetParam().word;
}

INSTANTIATE_TEST_SUITE_P(
    Words, KeywordMembershipTest,
    testing::Values(MembershipCase{"ignore", Lexicon::kInstruction},
                    MembershipCase{"dan", Lexicon::kJailbreak},
                    MembershipCase{"roleplay", Lexicon::kRole},
                    MembershipCase{"hypothetically", Lexicon::kJailbreak},
                    MembershipCase{"limitations", Lexicon::kAction},
                    MembershipCase{"administrator", Lexicon::kRole},
                    MembershipCase{"ignore,", std::nullopt},
                    MembershipCase{"Ignore", std::nullopt},
                    MembershipCase{"IGNORE", std::nullopt},
                    MembershipCase{" ignore", std::nullopt},
                    MembershipCase{"ignor", std::nullopt},
                    MembershipCase{"ignores", std::nullopt},
                    MembershipCase{"role-play", std::nullopt},
                    MembershipCase{"ro", std::nullopt},
                    MembershipCase{"", std::nullopt},
                    MembershipCase{std::string("dan\0", 4), std::nullopt},
                    MembershipCase{"instruction", std::nullopt},
                    MembershipCase{"hypotheticallyy", std::nullopt}));

}  // namespace
