// The statistics record that PatternExtractor::extract returns.
#pragma once

#include <vector>

namespace kc::pattern_matching {

// Match density per category plus the five fixed statistics of a text. Every
// value lies in [0.0, 1.0]. Plain value type: copyable and movable.
struct PatternFeatures {
  // One score per category, parallel to the extractor's category_names():
  // entry k is the score of category_names()[k], categories without patterns
  // or matches included (0.0).
  std::vector<double> category_scores;
  double text_length = 0.0;         // byte length / 10000.0, capped at 1.0
  double special_char_ratio = 0.0;  // special characters per byte
  double caps_ratio = 0.0;          // capitals among alphabetic characters
  double newline_density = 0.0;     // line feeds per byte
  double avg_word_length = 0.0;     // mean word length in characters / 20.0, capped
};

}  // namespace kc::pattern_matching
