// Accessors of the generated code point sets (see ucd_sets.h).
#include "unicode/ucd_sets.h"

#include <algorithm>

#include "unicode/tables.h"

namespace kc::unicode {

std::span<const NamedSet> general_categories() { return tables::kGeneralCategories; }
std::span<const NamedSet> scripts() { return tables::kScripts; }
std::span<const NamedSet> script_extensions() { return tables::kScriptExtensions; }
std::span<const NamedSet> binary_properties() { return tables::kBinaryProperties; }
std::span<const NamedSet> ages() { return tables::kAges; }
std::span<const NamedSet> grapheme_cluster_breaks() { return tables::kGraphemeClusterBreaks; }
std::span<const NamedSet> word_breaks() { return tables::kWordBreaks; }
std::span<const NamedSet> sentence_breaks() { return tables::kSentenceBreaks; }

std::span<const Range> perl_word() { return tables::kPerlWord; }
std::span<const Range> perl_digit() { return tables::kPerlDigit; }
std::span<const Range> perl_space() { return tables::kPerlSpace; }

std::span<const PropertyAlias> property_aliases() { return tables::kPropertyAliases; }
std::span<const ValueAlias> value_aliases() { return tables::kValueAliases; }

std::span<const char32_t> simple_fold_orbit(char32_t c) {
  const auto cps = tables::kFoldCodePoints;
  const auto it = std::lower_bound(cps.begin(), cps.end(), c);
  if (it == cps.end() || *it != c) return {};
  const auto i = static_cast<std::size_t>(it - cps.begin());
  return {tables::kFoldOrbits + tables::kFoldOrbitStarts[i],
          static_cast<std::size_t>(tables::kFoldOrbitStarts[i + 1] - tables::kFoldOrbitStarts[i])};
}

std::span<const char32_t> case_fold_code_points() { return tables::kFoldCodePoints; }

}  // namespace kc::unicode
