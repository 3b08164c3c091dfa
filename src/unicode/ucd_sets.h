// Unicode 17.0 code point sets and names for the regex dialect's classes.
//
// The regex front end resolves `\p{..}`, `\w \d \s` and case-insensitive
// classes from these tables. Every set is a sorted list of disjoint,
// non-adjacent inclusive ranges. All data is static and immutable: spans stay
// valid for the life of the program and may be read from any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kc::unicode {

// An inclusive range of code points.
struct Range {
  char32_t lo;
  char32_t hi;
};

// A property value and its code points. `name` is the value's long name as
// PropertyValueAliases.txt spells it (for binary properties: the property's
// long name), e.g. "Greek", "Uppercase_Letter", "V1_1", "White_Space".
struct NamedSet {
  std::string_view name;
  std::span<const Range> ranges;
};

// Each family below is sorted by `name` in byte order, so it can be searched.

// General_Category: the 30 leaf values (Unassigned, Surrogate and
// Private_Use included) and the groupings Letter, Cased_Letter, Mark, Number,
// Punctuation, Symbol, Separator, Other.
std::span<const NamedSet> general_categories();

// Script, Unknown (every code point Scripts.txt does not list) included.
std::span<const NamedSet> scripts();

// Script_Extensions: per script, the code points whose extensions include it;
// a code point that ScriptExtensions.txt does not list has {its Script}.
std::span<const NamedSet> script_extensions();

// Every binary property of PropList.txt, DerivedCoreProperties.txt,
// emoji-data.txt, DerivedBinaryProperties.txt and DerivedNormalizationProps.txt
// (Full_Composition_Exclusion, Changes_When_NFKC_Casefolded, Expands_On_*).
std::span<const NamedSet> binary_properties();

// Age: for each version (V1_1 ... V17_0), the code points first assigned in
// exactly that version. Unassigned is not listed. "Assigned in version X or
// earlier" is the union of the sets whose version is at most X.
std::span<const NamedSet> ages();

// Grapheme_Cluster_Break, Word_Break and Sentence_Break; each includes the
// default value Other (every code point its file does not list).
std::span<const NamedSet> grapheme_cluster_breaks();
std::span<const NamedSet> word_breaks();
std::span<const NamedSet> sentence_breaks();

// Perl classes: \w = Alphabetic + Mark + Decimal_Number + Connector_Punctuation
// + Join_Control, \d = Decimal_Number, \s = White_Space.
std::span<const Range> perl_word();
std::span<const Range> perl_digit();
std::span<const Range> perl_space();

// One line of PropertyAliases.txt. `name` is the long name; `aliases` holds
// every spelling on the line in file order (short name first, `name` among
// them), unnormalised so that the caller can apply its own loose matching.
struct PropertyAlias {
  std::string_view name;
  std::span<const std::string_view> aliases;
};

// One line of PropertyValueAliases.txt. `property` is the property's long
// name, `name` the value's long name (the name the set tables use), `aliases`
// every spelling of the value on the line in file order, `name` included. For
// Canonical_Combining_Class the numeric value comes first, e.g. {"230", "A", "Above"}.
struct ValueAlias {
  std::string_view property;
  std::string_view name;
  std::span<const std::string_view> aliases;
};

// Every line of the files, in file order.
std::span<const PropertyAlias> property_aliases();
std::span<const ValueAlias> value_aliases();

// Simple case folding (CaseFolding.txt statuses C and S) as equivalence
// classes. Returns the members of c's class other than c, ascending; empty
// when c folds with nothing. Symmetric and closed: for 'k' it gives 'K' and
// U+212A KELVIN SIGN, for U+212A it gives 'K' and 'k'.
std::span<const char32_t> simple_fold_orbit(char32_t c);

// Every code point whose simple_fold_orbit is not empty, ascending. To fold a
// class range by range: lower_bound to the range's start, then visit entries
// up to its end.
std::span<const char32_t> case_fold_code_points();

}  // namespace kc::unicode
