// Construction and queries of PatternExtractor.
#include "pattern_matching/pattern_extractor.h"

#include <algorithm>
#include <utility>
#include <variant>

#include "pattern_matching/text_statistics.h"
#include "util/merge_spans.h"
#include "util/panic.h"

namespace kc::pattern_matching {

PatternExtractor::PatternExtractor(regex::RegexSet set, std::vector<regex::Regex> regexes,
                                   std::vector<std::size_t> pattern_categories,
                                   std::vector<std::string> category_names)
    : set_(std::move(set)),
      regexes_(std::move(regexes)),
      pattern_categories_(std::move(pattern_categories)),
      category_names_(std::move(category_names)) {}

regex::Result<PatternExtractor> PatternExtractor::New(CategoryTable patterns) {
  // CategoryTable is a std::map<std::string, ...>: its keys are already in
  // ascending byte-wise order (char_traits<char> compares as unsigned char).
  std::vector<std::string> names;
  std::vector<std::size_t> categories;
  std::vector<std::string> prefixed;
  names.reserve(patterns.size());
  for (auto& [name, list] : patterns) {
    const std::size_t category = names.size();
    names.push_back(name);
    for (const std::string& pattern : list) {
      std::string p;
      p.reserve(4 + pattern.size());
      p.append("(?i)").append(pattern);
      prefixed.push_back(std::move(p));
      categories.push_back(category);
    }
  }
  patterns.clear();

  auto set = regex::RegexSet::compile(prefixed);
  if (auto* error = std::get_if<regex::Error>(&set)) return std::move(*error);

  // Each pattern alone is the set's pattern: the same text gives the same
  // translation and engines, and a set within the size limit has every
  // pattern within it. Sharing them compiles each pattern once.
  const regex::RegexSet& compiled = std::get<regex::RegexSet>(set);
  std::vector<regex::Regex> regexes;
  regexes.reserve(compiled.size());
  for (std::size_t i = 0; i < compiled.size(); ++i) regexes.push_back(compiled.regex(i));
  return PatternExtractor(std::move(std::get<regex::RegexSet>(set)), std::move(regexes),
                          std::move(categories), std::move(names));
}

bool PatternExtractor::has_any_match(std::string_view text) const {
  return set_.is_match(text);
}

std::vector<std::size_t> PatternExtractor::reported_patterns(std::string_view text) const {
  std::vector<std::size_t> indices = set_.matches(text);
  for (std::size_t i : indices) {
    if (i >= regexes_.size()) panic("RegexSet reported a pattern index out of range");
  }
  return indices;
}

std::vector<Span> PatternExtractor::find_pattern_spans(std::string_view text) const {
  std::vector<Span> spans;
  for (std::size_t i : reported_patterns(text)) {
    regexes_[i].find_iter(text, [&](std::size_t s, std::size_t e) { spans.push_back({s, e}); });
  }
  return merge_spans(std::move(spans));
}

std::vector<CategorizedSpan> PatternExtractor::find_categorized_spans(std::string_view text) const {
  std::vector<CategorizedSpan> spans;
  for (std::size_t i : reported_patterns(text)) {
    const std::size_t category = pattern_categories_[i];
    regexes_[i].find_iter(text, [&](std::size_t s, std::size_t e) {
      spans.push_back({s, e, category});
    });
  }
  std::stable_sort(spans.begin(), spans.end(),
                   [](const CategorizedSpan& a, const CategorizedSpan& b) { return a.start < b.start; });
  return spans;
}

PatternFeatures PatternExtractor::extract(std::string_view text) const {
  std::vector<std::uint64_t> counts(category_names_.size(), 0);
  for (std::size_t i : reported_patterns(text)) {
    counts[pattern_categories_[i]] += regexes_[i].count(text);
  }

  const double len = divisor_length(text.size());
  PatternFeatures f;
  f.category_scores.reserve(counts.size());
  for (std::uint64_t count : counts) {
    f.category_scores.push_back(std::min((static_cast<double>(count) * 1000.0) / len, 1.0));
  }

  const TextStatistics s = text_statistics(count_characters(text), text.size());
  f.text_length = s.text_length;
  f.special_char_ratio = s.special_char_ratio;
  f.caps_ratio = s.caps_ratio;
  f.newline_density = s.newline_density;
  f.avg_word_length = s.avg_word_length;
  return f;
}

}  // namespace kc::pattern_matching
