// Construction of a MotifMatcher: lower-cased entries in category order and
// the automaton over them.
#include "motif_matching/motif_matcher.h"

#include <utility>

#include "unicode/case.h"

namespace kc::motif_matching {

MotifMatcher::MotifMatcher(aho_corasick::AhoCorasick automaton, std::vector<MotifEntry> entries,
                           std::uint32_t threshold, bool use_fuzzy)
    : automaton_(std::move(automaton)), entries_(std::move(entries)), threshold_(threshold), use_fuzzy_(use_fuzzy) {
  // Entries come grouped by category, so a new id starts wherever the name changes.
  category_ids_.reserve(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (i > 0 && entries_[i].category != entries_[i - 1].category) ++category_count_;
    category_ids_.push_back(static_cast<std::uint32_t>(category_count_));
  }
  if (!entries_.empty()) ++category_count_;
}

std::variant<MotifMatcher, aho_corasick::BuildError> MotifMatcher::New(CategoryTable motifs, std::uint32_t threshold,
                                                                       bool use_fuzzy) {
  std::vector<MotifEntry> entries;
  std::size_t count = 0;
  for (const auto& [category, list] : motifs) count += list.size();
  entries.reserve(count);
  // The table iterates its names in byte-wise order already.
  for (const auto& [category, list] : motifs) {
    for (const std::string& motif : list) {
      MotifEntry& e = entries.emplace_back();
      unicode::to_lowercase(motif, e.motif);
      e.category = category;
    }
  }
  std::vector<std::string_view> patterns;
  patterns.reserve(entries.size());
  for (const MotifEntry& e : entries) patterns.push_back(e.motif);
  auto built = aho_corasick::AhoCorasick::build(patterns);
  if (auto* err = std::get_if<aho_corasick::BuildError>(&built)) return std::move(*err);
  return MotifMatcher(std::get<aho_corasick::AhoCorasick>(std::move(built)), std::move(entries), threshold,
                      use_fuzzy);
}

const char* MotifMatcher::step_error(std::uint64_t step) const {
  return use_fuzzy_ && step == 0 ? "step must be at least 1 when fuzzy matching is on" : nullptr;
}

}  // namespace kc::motif_matching
