#include "unicode/properties.h"

#include <gtest/gtest.h>

#include "ucd_test_support.h"

namespace kc::unicode {
namespace {

using namespace kc::unicode::testing;

TEST(UnicodeProperties, BinaryPropertiesMatchUcdOnEveryCodePoint) {
  KC_REQUIRE_UCD_FILE(proplist, "PropList.txt");
  KC_REQUIRE_UCD_FILE(core, "DerivedCoreProperties.txt");
  const struct {
    std::filesystem::path file;
    const char* name;
    bool (*accessor)(char32_t);
  } props[] = {{proplist, "White_Space", is_white_space}, {core, "Alphabetic", is_alphabetic},
               {core, "Uppercase", is_uppercase},          {core, "Lowercase", is_lowercase},
               {core, "Cased", is_cased},                  {core, "Case_Ignorable", is_case_ignorable}};
  for (const auto& p : props) {
    const std::vector<bool> expected = property_set(p.file, p.name);
    std::size_t members = 0, mismatches = 0;
    for (char32_t c = 0; c < kCodePoints; ++c) {
      members += expected[c];
      if (p.accessor(c) != expected[c] && ++mismatches <= 5)
        ADD_FAILURE() << p.name << " differs at U+" << std::hex << static_cast<unsigned>(c);
    }
    EXPECT_GT(members, 0u) << p.name;
    EXPECT_EQ(mismatches, 0u) << p.name;
    EXPECT_FALSE(p.accessor(0x110000)) << p.name;
  }
}

TEST(UnicodeProperties, WhiteSpaceIsExactlyTheTwentyFiveCodePoints) {
  std::vector<char32_t> found;
  for (char32_t c = 0; c < kCodePoints; ++c)
    if (is_white_space(c)) found.push_back(c);
  const std::vector<char32_t> expected = {0x09,   0x0A,   0x0B,   0x0C,   0x0D,   0x20,   0x85,
                                          0xA0,   0x1680, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004,
                                          0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x2028,
                                          0x2029, 0x202F, 0x205F, 0x3000};
  EXPECT_EQ(found, expected);
}

TEST(UnicodeProperties, GeneralCategoryMatchesUnicodeDataOnEveryCodePoint) {
  KC_REQUIRE_UCD_FILE(unicode_data, "UnicodeData.txt");
  const std::vector<std::string> expected = general_categories(unicode_data);
  static const char* const kNames[] = {"Lu", "Ll", "Lt", "Lm", "Lo", "Mn", "Mc", "Me", "Nd", "Nl",
                                       "No", "Pc", "Pd", "Ps", "Pe", "Pi", "Pf", "Po", "Sm", "Sc",
                                       "Sk", "So", "Zs", "Zl", "Zp", "Cc", "Cf", "Cs", "Co", "Cn"};
  std::size_t mismatches = 0;
  for (char32_t c = 0; c < kCodePoints; ++c) {
    const auto gc = general_category(c);
    const bool numeric = expected[c] == "Nd" || expected[c] == "Nl" || expected[c] == "No";
    if ((kNames[static_cast<int>(gc)] != expected[c] || is_numeric(c) != numeric) && ++mismatches <= 5)
      ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << " is " << kNames[static_cast<int>(gc)]
                    << ", UnicodeData says " << expected[c];
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(general_category(0x110000), GeneralCategory::Cn);
  EXPECT_EQ(general_category(0xFFFFFFFF), GeneralCategory::Cn);
}

}  // namespace
}  // namespace kc::unicode
