// Resolution of Unicode class names against the Unicode layer's tables.
#include "regex/hir/unicode_class.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "unicode/ucd_sets.h"

namespace kc::regex::hir {

std::string normalize_symbolic_name(std::string_view name) {
  std::size_t start = 0;
  bool starts_with_is = false;
  if (name.size() >= 2 && (name[0] == 'i' || name[0] == 'I') && (name[1] == 's' || name[1] == 'S')) {
    starts_with_is = true;
    start = 2;
  }
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = start; i < name.size(); ++i) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (b == ' ' || b == '_' || b == '-' || b >= 0x80) continue;
    out.push_back(static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b));
  }
  // "isc" (ISO_Comment) would otherwise lose its "is" and read as "c" (Other).
  if (starts_with_is && out == "c") out = "isc";
  return out;
}

namespace {

using NameMap = std::map<std::string, std::string_view, std::less<>>;

// Normalised alias -> long name, for properties and for the values of the
// properties that can be queried by value.
struct Names {
  NameMap properties;
  std::map<std::string_view, NameMap, std::less<>> values;

  Names() {
    for (const auto& p : unicode::property_aliases())
      for (std::string_view alias : p.aliases) properties.emplace(normalize_symbolic_name(alias), p.name);
    for (const auto& v : unicode::value_aliases()) {
      if (v.property != "General_Category" && v.property != "Script" && v.property != "Age" &&
          v.property != "Grapheme_Cluster_Break" && v.property != "Word_Break" &&
          v.property != "Sentence_Break")
        continue;
      NameMap& m = values[v.property];
      for (std::string_view alias : v.aliases) m.emplace(normalize_symbolic_name(alias), v.name);
    }
    values["Script_Extensions"] = values["Script"];
  }

  std::optional<std::string_view> value(std::string_view property, const std::string& norm) const {
    auto p = values.find(property);
    if (p == values.end()) return std::nullopt;
    auto v = p->second.find(norm);
    if (v == p->second.end()) return std::nullopt;
    return v->second;
  }
};

const Names& names() {
  static const Names n;
  return n;
}

Ranges to_ranges(std::span<const unicode::Range> rs) {
  Ranges out;
  out.reserve(rs.size());
  for (const auto& r : rs) out.push_back({r.lo, r.hi});
  return out;
}

// The set `name` of `family` as the crate's tables hold it: surrogates
// removed, since no text can hold one. Those tables keep only what the data
// files list, so a value left with no code points (Surrogate) and `unlisted`,
// the value a file gives every code point it leaves out (Unknown, Other), are
// not found.
std::optional<Ranges> find_set(std::span<const unicode::NamedSet> family, std::string_view name,
                               std::string_view unlisted = {}) {
  if (name == unlisted) return std::nullopt;
  auto it = std::lower_bound(family.begin(), family.end(), name,
                             [](const unicode::NamedSet& s, std::string_view n) { return s.name < n; });
  if (it == family.end() || it->name != name) return std::nullopt;
  Ranges set = canonical(to_ranges(it->ranges));
  if (set.empty()) return std::nullopt;
  return set;
}

// The crate's boolean properties come from PropList.txt,
// DerivedCoreProperties.txt, emoji-data.txt and DerivedBinaryProperties.txt;
// those of DerivedNormalizationProps.txt are unknown to it.
bool is_crate_binary_property(std::string_view name) {
  for (std::string_view other : {"Changes_When_NFKC_Casefolded", "Expands_On_NFC",
                                 "Expands_On_NFD", "Expands_On_NFKC", "Expands_On_NFKD",
                                 "Full_Composition_Exclusion"})
    if (name == other) return false;
  return true;
}

using Lookup = std::variant<Ranges, LookupError>;

std::optional<std::string_view> canonical_gencat(const std::string& norm) {
  if (norm == "any") return "Any";
  if (norm == "assigned") return "Assigned";
  if (norm == "ascii") return "ASCII";
  return names().value("General_Category", norm);
}

Lookup gencat(std::string_view canon) {
  if (canon == "Decimal_Number") return to_ranges(unicode::perl_digit());
  if (canon == "Any") return set_complement({});
  if (canon == "ASCII") return Ranges{{0, 0x7F}};
  if (canon == "Assigned") {
    auto unassigned = find_set(unicode::general_categories(), "Unassigned");
    if (!unassigned) return LookupError::PropertyValueNotFound;
    return set_complement(*unassigned);
  }
  if (auto s = find_set(unicode::general_categories(), canon)) return *s;
  return LookupError::PropertyValueNotFound;
}

Lookup script(std::string_view canon) {
  if (auto s = find_set(unicode::scripts(), canon, "Unknown")) return *s;
  return LookupError::PropertyValueNotFound;
}

Lookup binary_property(std::string_view canon) {
  if (canon == "Decimal_Number") return to_ranges(unicode::perl_digit());
  if (canon == "White_Space") return to_ranges(unicode::perl_space());
  if (!is_crate_binary_property(canon)) return LookupError::PropertyNotFound;
  if (auto s = find_set(unicode::binary_properties(), canon)) return *s;
  return LookupError::PropertyNotFound;
}

// "V6_0" -> {6, 0}.
std::pair<int, int> age_version(std::string_view name) {
  int major = 0, minor = 0;
  std::size_t i = 1;
  for (; i < name.size() && name[i] != '_'; ++i) major = major * 10 + (name[i] - '0');
  for (++i; i < name.size(); ++i) minor = minor * 10 + (name[i] - '0');
  return {major, minor};
}

Lookup age(std::string_view canon) {
  // Unassigned has no version to accumulate up to.
  if (canon.empty() || canon[0] != 'V') return LookupError::PropertyValueNotFound;
  const auto limit = age_version(canon);
  Ranges all;
  for (const auto& set : unicode::ages())
    if (age_version(set.name) <= limit)
      for (const auto& r : set.ranges) all.push_back({r.lo, r.hi});
  return canonical(std::move(all));
}

Lookup canonical_binary(std::string_view name) {
  const std::string norm = normalize_symbolic_name(name);
  // cf, sc and lc also abbreviate properties, but mean Format, Currency_Symbol
  // and Cased_Letter here.
  if (norm != "cf" && norm != "sc" && norm != "lc") {
    auto p = names().properties.find(norm);
    if (p != names().properties.end()) return binary_property(p->second);
  }
  if (auto g = canonical_gencat(norm)) return gencat(*g);
  if (auto s = names().value("Script", norm)) return script(*s);
  return LookupError::PropertyNotFound;
}

Lookup by_value(std::string_view property, std::string_view value) {
  const std::string pnorm = normalize_symbolic_name(property);
  const std::string vnorm = normalize_symbolic_name(value);
  auto p = names().properties.find(pnorm);
  if (p == names().properties.end()) return LookupError::PropertyNotFound;
  const std::string_view canon = p->second;
  if (canon == "General_Category") {
    if (auto g = canonical_gencat(vnorm)) return gencat(*g);
    return LookupError::PropertyValueNotFound;
  }
  std::optional<std::string_view> v = names().value(canon, vnorm);
  if (!v) return LookupError::PropertyValueNotFound;
  if (canon == "Script") return script(*v);
  std::optional<Ranges> s;
  if (canon == "Age") return age(*v);
  if (canon == "Script_Extensions") s = find_set(unicode::script_extensions(), *v, "Unknown");
  if (canon == "Grapheme_Cluster_Break") s = find_set(unicode::grapheme_cluster_breaks(), *v, "Other");
  if (canon == "Word_Break") s = find_set(unicode::word_breaks(), *v, "Other");
  if (canon == "Sentence_Break") s = find_set(unicode::sentence_breaks(), *v, "Other");
  if (!s) return LookupError::PropertyValueNotFound;
  return *s;
}

}  // namespace

std::variant<Ranges, LookupError> unicode_class(const syntax::UnicodeClass& query) {
  if (query.form == syntax::UnicodeClassForm::NamedValue) return by_value(query.name, query.value);
  return canonical_binary(query.name);
}

Ranges unicode_perl_class(syntax::PerlKind kind) {
  switch (kind) {
    case syntax::PerlKind::Digit: return to_ranges(unicode::perl_digit());
    case syntax::PerlKind::Space: return to_ranges(unicode::perl_space());
    case syntax::PerlKind::Word: return to_ranges(unicode::perl_word());
  }
  return {};
}

Ranges ascii_perl_class(syntax::PerlKind kind) {
  switch (kind) {
    case syntax::PerlKind::Digit: return ascii_class(syntax::AsciiKind::Digit);
    case syntax::PerlKind::Space: return ascii_class(syntax::AsciiKind::Space);
    case syntax::PerlKind::Word: return ascii_class(syntax::AsciiKind::Word);
  }
  return {};
}

Ranges ascii_class(syntax::AsciiKind kind) {
  using K = syntax::AsciiKind;
  switch (kind) {
    case K::Alnum: return {{'0', '9'}, {'A', 'Z'}, {'a', 'z'}};
    case K::Alpha: return {{'A', 'Z'}, {'a', 'z'}};
    case K::Ascii: return {{0x00, 0x7F}};
    case K::Blank: return {{'\t', '\t'}, {' ', ' '}};
    case K::Cntrl: return {{0x00, 0x1F}, {0x7F, 0x7F}};
    case K::Digit: return {{'0', '9'}};
    case K::Graph: return {{'!', '~'}};
    case K::Lower: return {{'a', 'z'}};
    case K::Print: return {{' ', '~'}};
    case K::Punct: return {{'!', '/'}, {':', '@'}, {'[', '`'}, {'{', '~'}};
    case K::Space: return {{'\t', '\r'}, {' ', ' '}};
    case K::Upper: return {{'A', 'Z'}};
    case K::Word: return {{'0', '9'}, {'A', 'Z'}, {'_', '_'}, {'a', 'z'}};
    case K::Xdigit: return {{'0', '9'}, {'A', 'F'}, {'a', 'f'}};
  }
  return {};
}

}  // namespace kc::regex::hir
