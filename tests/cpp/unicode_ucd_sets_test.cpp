#include "unicode/ucd_sets.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "ucd_test_support.h"

namespace kc::unicode {
namespace {

using namespace kc::unicode::testing;

std::vector<bool> members(std::span<const Range> ranges) {
  std::vector<bool> in(kCodePoints);
  for (const Range& r : ranges)
    for (char32_t c = r.lo; c <= r.hi; ++c) in[c] = true;
  return in;
}

std::size_t count(std::span<const Range> ranges) {
  std::size_t n = 0;
  for (const Range& r : ranges) n += r.hi - r.lo + 1;
  return n;
}

const NamedSet* find(std::span<const NamedSet> family, std::string_view name) {
  const auto it = std::lower_bound(family.begin(), family.end(), name,
                                   [](const NamedSet& s, std::string_view n) { return s.name < n; });
  return it != family.end() && it->name == name ? &*it : nullptr;
}

// Long value name for a spelling used in a data file.
std::string long_value(std::string_view property, std::string_view spelling) {
  for (const ValueAlias& v : value_aliases())
    if (v.property == property && std::find(v.aliases.begin(), v.aliases.end(), spelling) != v.aliases.end())
      return std::string(v.name);
  return "?" + std::string(spelling);
}

// Compares a family that partitions the code points with the values a file gives.
void expect_partition(std::span<const NamedSet> family, const std::vector<std::string>& expected, const char* what) {
  std::vector<std::string> got(kCodePoints);
  for (const NamedSet& s : family)
    for (const Range& r : s.ranges)
      for (char32_t c = r.lo; c <= r.hi; ++c) got[c] += (got[c].empty() ? "" : "+") + std::string(s.name);
  std::size_t mismatches = 0;
  for (char32_t c = 0; c < kCodePoints; ++c)
    if (got[c] != expected[c] && ++mismatches <= 5)
      ADD_FAILURE() << what << " of U+" << std::hex << static_cast<unsigned>(c) << " is '" << got[c] << "', file says '"
                    << expected[c] << "'";
  EXPECT_EQ(mismatches, 0u) << what;
}

// Per-code-point long values of an enumerated property file.
std::vector<std::string> file_values(const std::filesystem::path& path, std::string_view property,
                                     const std::string& missing) {
  std::vector<std::string> values(kCodePoints, missing);
  for_each_line(path, [&](char32_t lo, char32_t hi, const std::vector<std::string>& f) {
    const std::string v = long_value(property, f[0]);
    for (char32_t c = lo; c <= hi; ++c) values[c] = v;
  });
  return values;
}

struct Family {
  const char* name;
  std::span<const NamedSet> sets;
};

std::vector<Family> families() {
  return {{"general_categories", general_categories()}, {"scripts", scripts()},
          {"script_extensions", script_extensions()},  {"binary_properties", binary_properties()},
          {"ages", ages()},                            {"grapheme_cluster_breaks", grapheme_cluster_breaks()},
          {"word_breaks", word_breaks()},              {"sentence_breaks", sentence_breaks()}};
}

bool well_formed(std::span<const Range> ranges) {
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (ranges[i].lo > ranges[i].hi || ranges[i].hi > 0x10FFFF) return false;
    if (i > 0 && ranges[i].lo <= ranges[i - 1].hi + 1) return false;
  }
  return true;
}

TEST(UnicodeUcdSets, FamiliesAreSortedByNameWithCanonicalRanges) {
  for (const Family& f : families()) {
    EXPECT_FALSE(f.sets.empty()) << f.name;
    for (std::size_t i = 0; i < f.sets.size(); ++i) {
      EXPECT_TRUE(well_formed(f.sets[i].ranges)) << f.name << " " << f.sets[i].name;
      if (i > 0) EXPECT_LT(f.sets[i - 1].name, f.sets[i].name) << f.name;
    }
  }
  for (auto ranges : {perl_word(), perl_digit(), perl_space()}) EXPECT_TRUE(well_formed(ranges));
}

TEST(UnicodeUcdSets, GeneralCategoriesMatchUnicodeData) {
  KC_REQUIRE_UCD_FILE(path, "UnicodeData.txt");
  const std::vector<std::string> gc = general_categories(path);
  std::vector<std::string> expected(kCodePoints);
  for (char32_t c = 0; c < kCodePoints; ++c) expected[c] = long_value("General_Category", gc[c]);
  // Leaves are the values with a two-letter short name (LC is a grouping).
  std::vector<NamedSet> leaves;
  for (const ValueAlias& v : value_aliases())
    if (v.property == "General_Category" && v.aliases[0].size() == 2 && v.aliases[0] != "LC")
      leaves.push_back(*find(general_categories(), v.name));
  EXPECT_EQ(leaves.size(), 30u);
  expect_partition(leaves, expected, "General_Category");
  // Groupings are the unions of their leaves.
  const std::vector<bool> letter = members(find(general_categories(), "Letter")->ranges);
  const std::vector<bool> other = members(find(general_categories(), "Other")->ranges);
  for (char32_t c = 0; c < kCodePoints; ++c) {
    ASSERT_EQ(letter[c], gc[c][0] == 'L') << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(other[c], gc[c][0] == 'C') << std::hex << static_cast<unsigned>(c);
  }
  EXPECT_EQ(count(find(general_categories(), "Cased_Letter")->ranges),
            count(find(general_categories(), "Uppercase_Letter")->ranges) +
                count(find(general_categories(), "Lowercase_Letter")->ranges) +
                count(find(general_categories(), "Titlecase_Letter")->ranges));
}

TEST(UnicodeUcdSets, EnumeratedPropertiesMatchTheirFiles) {
  const struct {
    const char* file;
    const char* property;
    const char* missing;
    std::span<const NamedSet> family;
  } cases[] = {
      {"Scripts.txt", "Script", "Unknown", scripts()},
      {"GraphemeBreakProperty.txt", "Grapheme_Cluster_Break", "Other", grapheme_cluster_breaks()},
      {"WordBreakProperty.txt", "Word_Break", "Other", word_breaks()},
      {"SentenceBreakProperty.txt", "Sentence_Break", "Other", sentence_breaks()},
  };
  for (const auto& tc : cases) {
    KC_REQUIRE_UCD_FILE(path, tc.file);
    expect_partition(tc.family, file_values(path, tc.property, tc.missing), tc.property);
  }
  // Ages partition the assigned code points (and noncharacters); Unassigned is left out.
  KC_REQUIRE_UCD_FILE(age_path, "DerivedAge.txt");
  std::vector<std::string> age = file_values(age_path, "Age", "");
  std::replace(age.begin(), age.end(), std::string("Unassigned"), std::string());
  expect_partition(ages(), age, "Age");
  EXPECT_EQ(ages().size(), 27u + 1u);  // V1_1 ... V17_0
}

TEST(UnicodeUcdSets, ScriptCountsMatchPublishedFigures) {
  const struct {
    const char* name;
    std::size_t scripts;
  } cases[] = {{"Latin", 1492}, {"Han", 103351}, {"Common", 9123}, {"Inherited", 684}};
  for (const auto& tc : cases) EXPECT_EQ(count(find(scripts(), tc.name)->ranges), tc.scripts) << tc.name;
  EXPECT_EQ(scripts().size(), 175u);
  EXPECT_EQ(script_extensions().size(), 175u);
}

TEST(UnicodeUcdSets, ScriptExtensionsFollowTheFileAndDefaultToScript) {
  KC_REQUIRE_UCD_FILE(scripts_path, "Scripts.txt");
  KC_REQUIRE_UCD_FILE(scx_path, "ScriptExtensions.txt");
  const std::vector<std::string> sc = file_values(scripts_path, "Script", "Unknown");
  std::vector<std::vector<std::string>> scx(kCodePoints);
  for (char32_t c = 0; c < kCodePoints; ++c) scx[c] = {sc[c]};
  for_each_line(scx_path, [&](char32_t lo, char32_t hi, const std::vector<std::string>& f) {
    std::vector<std::string> names;
    std::stringstream ss(f[0]);
    std::string code;
    while (ss >> code) names.push_back(long_value("Script", code));
    for (char32_t c = lo; c <= hi; ++c) scx[c] = names;
  });
  std::size_t mismatches = 0;
  for (const NamedSet& s : script_extensions()) {
    const std::vector<bool> in = members(s.ranges);
    for (char32_t c = 0; c < kCodePoints; ++c) {
      const bool want = std::find(scx[c].begin(), scx[c].end(), s.name) != scx[c].end();
      if (in[c] != want && ++mismatches <= 5)
        ADD_FAILURE() << "scx=" << s.name << " at U+" << std::hex << static_cast<unsigned>(c);
    }
  }
  EXPECT_EQ(mismatches, 0u);
  // U+0342 COMBINING GREEK PERISPOMENI is Inherited with extensions {Greek}.
  const std::vector<bool> greek = members(find(script_extensions(), "Greek")->ranges);
  EXPECT_TRUE(greek[0x0342]);
  EXPECT_FALSE(members(find(script_extensions(), "Inherited")->ranges)[0x0342]);
  EXPECT_GT(count(find(script_extensions(), "Greek")->ranges), count(find(scripts(), "Greek")->ranges));
}

TEST(UnicodeUcdSets, BinaryPropertiesMatchTheirFiles) {
  std::size_t checked = 0;
  for (const char* file : {"PropList.txt", "DerivedCoreProperties.txt", "emoji-data.txt",
                           "DerivedBinaryProperties.txt", "DerivedNormalizationProps.txt"}) {
    KC_REQUIRE_UCD_FILE(path, file);
    std::map<std::string, std::vector<bool>> expected;
    for_each_line(path, [&](char32_t lo, char32_t hi, const std::vector<std::string>& f) {
      if (f.size() != 1) return;
      auto& in = expected[f[0]];
      in.resize(kCodePoints);
      for (char32_t c = lo; c <= hi; ++c) in[c] = true;
    });
    for (const auto& [name, in] : expected) {
      const NamedSet* s = find(binary_properties(), name);
      ASSERT_NE(s, nullptr) << name;
      EXPECT_TRUE(members(s->ranges) == in) << name;
      ++checked;
    }
  }
  EXPECT_EQ(checked, binary_properties().size());
  for (const char* name : {"Full_Composition_Exclusion", "Changes_When_NFKC_Casefolded", "Bidi_Mirrored",
                           "Extended_Pictographic", "Join_Control"})
    EXPECT_NE(find(binary_properties(), name), nullptr) << name;
}

TEST(UnicodeUcdSets, PerlClasses) {
  const std::vector<bool> word = members(perl_word());
  std::vector<bool> expected(kCodePoints);
  for (const char* name : {"Alphabetic", "Join_Control"})
    for (const Range& r : find(binary_properties(), name)->ranges)
      for (char32_t c = r.lo; c <= r.hi; ++c) expected[c] = true;
  for (const char* name : {"Mark", "Decimal_Number", "Connector_Punctuation"})
    for (const Range& r : find(general_categories(), name)->ranges)
      for (char32_t c = r.lo; c <= r.hi; ++c) expected[c] = true;
  EXPECT_TRUE(word == expected);
  for (char32_t c : {U'a', U'Z', U'0', U'_', U'\u00E9', U'\u0301', U'\u200C', U'\u200D', U'\u203F', U'\u0663'})
    EXPECT_TRUE(word[c]) << std::hex << static_cast<unsigned>(c);
  for (char32_t c : {U' ', U'-', U'\u00A0', U'\u2019', U'\U0001F600'}) EXPECT_FALSE(word[c]) << std::hex << static_cast<unsigned>(c);
  EXPECT_EQ(perl_digit().size(), find(general_categories(), "Decimal_Number")->ranges.size());
  EXPECT_TRUE(members(perl_digit())[0x0663]);
  EXPECT_EQ(count(perl_space()), 25u);
  EXPECT_FALSE(members(perl_space())[0x200B]);
}

TEST(UnicodeUcdSets, AliasesKeepEverySpelling) {
  auto property = [](std::string_view name) -> std::vector<std::string_view> {
    for (const PropertyAlias& p : property_aliases())
      if (p.name == name) return {p.aliases.begin(), p.aliases.end()};
    return {};
  };
  auto value = [](std::string_view prop, std::string_view name) -> std::vector<std::string_view> {
    for (const ValueAlias& v : value_aliases())
      if (v.property == prop && v.name == name) return {v.aliases.begin(), v.aliases.end()};
    return {};
  };
  EXPECT_EQ(property("Script"), (std::vector<std::string_view>{"sc", "Script"}));
  EXPECT_EQ(property("White_Space"), (std::vector<std::string_view>{"WSpace", "White_Space", "space"}));
  EXPECT_EQ(value("General_Category", "Mark"), (std::vector<std::string_view>{"M", "Mark", "Combining_Mark"}));
  EXPECT_EQ(value("Script", "Coptic"), (std::vector<std::string_view>{"Copt", "Coptic", "Qaac"}));
  EXPECT_EQ(value("Canonical_Combining_Class", "Above"), (std::vector<std::string_view>{"230", "A", "Above"}));
  EXPECT_EQ(value("Age", "V17_0"), (std::vector<std::string_view>{"17.0", "V17_0"}));
  EXPECT_EQ(value("Alphabetic", "Yes"), (std::vector<std::string_view>{"Y", "Yes", "T", "True"}));
  // Every set of the enumerated families is named by a value alias.
  const struct {
    const char* property;
    std::span<const NamedSet> family;
  } cases[] = {{"General_Category", general_categories()}, {"Script", scripts()}, {"Age", ages()},
               {"Grapheme_Cluster_Break", grapheme_cluster_breaks()}, {"Word_Break", word_breaks()},
               {"Sentence_Break", sentence_breaks()}};
  for (const auto& tc : cases)
    for (const NamedSet& s : tc.family) EXPECT_FALSE(value(tc.property, s.name).empty()) << s.name;
  for (const NamedSet& s : binary_properties()) EXPECT_FALSE(property(s.name).empty()) << s.name;
}

TEST(UnicodeUcdSets, SimpleFoldOrbitsAreTheClassesOfCaseFolding) {
  KC_REQUIRE_UCD_FILE(path, "CaseFolding.txt");
  std::map<char32_t, std::set<char32_t>> classes;  // fold target -> members
  std::vector<char32_t> target(kCodePoints);
  for (char32_t c = 0; c < kCodePoints; ++c) target[c] = c;
  for_each_line(path, [&](char32_t c, char32_t, const std::vector<std::string>& f) {
    if (f[0] == "C" || f[0] == "S") target[c] = parse_cps(f[1])[0];
  });
  for (char32_t c = 0; c < kCodePoints; ++c) classes[target[c]].insert(c);
  std::size_t with_orbit = 0, mismatches = 0;
  for (char32_t c = 0; c < kCodePoints; ++c) {
    std::set<char32_t> expected = classes[target[c]];
    expected.erase(c);
    const auto orbit = simple_fold_orbit(c);
    with_orbit += !orbit.empty();
    if (std::set<char32_t>(orbit.begin(), orbit.end()) != expected && ++mismatches <= 5)
      ADD_FAILURE() << "orbit of U+" << std::hex << static_cast<unsigned>(c);
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(with_orbit, case_fold_code_points().size());
  EXPECT_TRUE(std::is_sorted(case_fold_code_points().begin(), case_fold_code_points().end()));
  const struct {
    char32_t c;
    std::vector<char32_t> orbit;
  } cases[] = {{U'k', {U'K', 0x212A}}, {0x212A, {U'K', U'k'}}, {0x03C3, {0x03A3, 0x03C2}},
               {0x00DF, {0x1E9E}},     {U'1', {}},              {0x110000, {}}};
  for (const auto& tc : cases) {
    const auto orbit = simple_fold_orbit(tc.c);
    EXPECT_TRUE(std::vector<char32_t>(orbit.begin(), orbit.end()) == tc.orbit) << std::hex << static_cast<unsigned>(tc.c);
  }
}

}  // namespace
}  // namespace kc::unicode
