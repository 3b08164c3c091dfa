// Character properties of Unicode 17.0 used by the kernels and the regex dialect.
//
// Every accessor is total: code points above U+10FFFF get the values of an
// unassigned code point (category Cn, every flag false). ASCII is answered
// without touching the tables.
#pragma once

#include <cstdint>

#include "unicode/tables.h"

namespace kc::unicode {

// General_Category values, in the order of the UCD's two-letter abbreviations.
enum class GeneralCategory : std::uint8_t {
  Lu, Ll, Lt, Lm, Lo, Mn, Mc, Me, Nd, Nl, No, Pc, Pd, Ps, Pe, Pi, Pf, Po,
  Sm, Sc, Sk, So, Zs, Zl, Zp, Cc, Cf, Cs, Co, Cn
};

namespace detail {

// The property record of a code point (general category plus kProp* flags).
inline std::uint16_t prop_record(char32_t c) {
  if (c > tables::kMaxCodePoint) return static_cast<std::uint16_t>(GeneralCategory::Cn);
  return tables::kPropRecords[tables::two_stage(tables::kPropIndex, tables::kPropBlocks, c)];
}

inline bool ascii_alpha(char32_t c) { return (c | 0x20) - 'a' < 26; }

}  // namespace detail

// White_Space: the 25 code points of PropList.txt (U+0009-U+000D, U+0020, U+0085, ...).
inline bool is_white_space(char32_t c) {
  if (c < 0x80) return c == ' ' || (c >= 0x09 && c <= 0x0D);
  return (detail::prop_record(c) & tables::kPropWhiteSpace) != 0;
}

// Alphabetic (DerivedCoreProperties.txt).
inline bool is_alphabetic(char32_t c) {
  if (c < 0x80) return detail::ascii_alpha(c);
  return (detail::prop_record(c) & tables::kPropAlphabetic) != 0;
}

// Uppercase (DerivedCoreProperties.txt).
inline bool is_uppercase(char32_t c) {
  if (c < 0x80) return c - 'A' < 26;
  return (detail::prop_record(c) & tables::kPropUppercase) != 0;
}

// Lowercase (DerivedCoreProperties.txt).
inline bool is_lowercase(char32_t c) {
  if (c < 0x80) return c - 'a' < 26;
  return (detail::prop_record(c) & tables::kPropLowercase) != 0;
}

// Cased (DerivedCoreProperties.txt).
inline bool is_cased(char32_t c) {
  if (c < 0x80) return detail::ascii_alpha(c);
  return (detail::prop_record(c) & tables::kPropCased) != 0;
}

// Case_Ignorable (DerivedCoreProperties.txt); in ASCII: ' . : ^ `
inline bool is_case_ignorable(char32_t c) {
  if (c < 0x80) return c == '\'' || c == '.' || c == ':' || c == '^' || c == '`';
  return (detail::prop_record(c) & tables::kPropCaseIgnorable) != 0;
}

// General_Category; Cn for unassigned code points and for values above U+10FFFF.
inline GeneralCategory general_category(char32_t c) {
  return static_cast<GeneralCategory>(detail::prop_record(c) & tables::kPropGcMask);
}

// True for the numeric categories Nd, Nl and No.
inline bool is_numeric(char32_t c) {
  const auto gc = general_category(c);
  return gc == GeneralCategory::Nd || gc == GeneralCategory::Nl || gc == GeneralCategory::No;
}

}  // namespace kc::unicode
