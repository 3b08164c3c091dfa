// Direct transcriptions of the motif-matching algorithms, used by the tests
// as oracles for the optimised code: plain loops, no shared structure.
#pragma once

#include <algorithm>
#include <cstdint>
#include <set>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "aho_corasick/aho_corasick.h"
#include "motif_matching/motif_matcher.h"
#include "motif_matching/motif_scorer.h"
#include "types/motif_match.h"
#include "unicode/case.h"
#include "unicode/utf8.h"

namespace kc::testing_oracles {

using aho_corasick::Match;
using motif_matching::decode_chars;

// The semantics written out directly: the earliest end, then the longest
// pattern, then the lowest id; resume at the end; skip a repeated empty match.
inline std::optional<Match> direct_find(const std::vector<std::string_view>& pats, std::string_view text,
                                 std::size_t from) {
  for (std::size_t e = from; e <= text.size(); ++e) {
    std::optional<Match> best;
    for (std::size_t id = 0; id < pats.size(); ++id) {
      const std::size_t len = pats[id].size();
      if (len > e - from || text.substr(e - len, len) != pats[id]) continue;
      if (!best || len > best->end - best->start) best = Match{static_cast<std::uint32_t>(id), e - len, e};
    }
    if (best) return best;
  }
  return std::nullopt;
}

inline std::vector<Match> direct_matches(const std::vector<std::string_view>& pats, std::string_view text) {
  std::vector<Match> out;
  std::optional<std::size_t> last_end;
  for (std::size_t at = 0; at <= text.size();) {
    auto m = direct_find(pats, text, at);
    if (!m) break;
    if (m->start == m->end && last_end == m->end) {
      at = m->end + 1;
      continue;
    }
    out.push_back(*m);
    at = last_end.emplace(m->end);
  }
  return out;
}

// The algorithm as written: a fresh counting map per alignment, positional
// agreement computed too, early stop at 100.
inline std::uint64_t oracle_bag(const std::vector<char32_t>& a, const std::vector<char32_t>& b) {
  std::unordered_map<char32_t, std::int32_t> counts;
  for (char32_t c : a) counts[c] += 1;
  std::uint64_t overlap = 0;
  for (char32_t c : b) {
    std::int32_t& n = counts[c];
    if (n >= 1) {
      n -= 1;
      overlap += 1;
    }
  }
  return overlap;
}

inline std::uint32_t oracle_partial_ratio(std::string_view a, std::string_view b) {
  const std::vector<char32_t> A = decode_chars(a), B = decode_chars(b);
  const std::uint64_t n = A.size(), m = B.size();
  if (n == 0 || m == 0) return 0;
  if (m < n) return oracle_partial_ratio(b, a);
  std::uint32_t best = 0;
  for (std::uint64_t i = 0; i <= m - n; ++i) {
    const std::vector<char32_t> W(B.begin() + i, B.begin() + i + n);
    std::uint64_t matches = 0;
    for (std::uint64_t j = 0; j < n; ++j) matches += A[j] == W[j];
    const std::uint64_t bag = oracle_bag(A, W);
    const std::uint64_t k = bag > matches ? bag : matches;
    const auto score = static_cast<std::uint32_t>((k * 200) / (2 * n));
    if (score > best) {
      best = score;
      if (best == 100) break;
    }
  }
  return best;
}

// find_matches step by step, with the two oracles above in place of the
// automaton and the fuzzy scorer. Assumes window ends do not overflow.
inline std::vector<MotifMatch> reference_find_matches(const std::vector<motif_matching::MotifEntry>& entries,
                                                      std::uint32_t threshold, bool use_fuzzy, std::string_view text,
                                                      std::uint64_t window_size, std::uint64_t step) {
  std::vector<MotifMatch> out;
  if (text.empty()) return out;
  std::string lowered;
  unicode::to_lowercase(text, lowered);
  std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
  std::set<std::uint64_t> exact_ids;
  std::vector<std::string_view> pats;
  for (const auto& e : entries) pats.push_back(e.motif);
  for (const Match& m : direct_matches(pats, lowered)) {
    if (!seen.insert({m.start, m.pattern}).second) continue;
    exact_ids.insert(m.pattern);
    out.push_back({entries[m.pattern].motif, entries[m.pattern].category, m.start, m.end - m.start, 100.0});
  }
  if (use_fuzzy) {
    const std::vector<char32_t> C = decode_chars(lowered);
    const std::uint64_t n = C.size();
    auto byte_offset = [&](std::uint64_t k) {
      std::uint64_t b = 0;
      for (std::uint64_t j = 0; j < k; ++j) b += unicode::utf8_length(C[j]);
      return b;
    };
    for (std::uint64_t i = 0; i < entries.size(); ++i) {
      if (exact_ids.count(i)) continue;
      const std::string& m = entries[i].motif;
      const std::uint64_t M = decode_chars(m).size(), B = m.size();
      for (std::uint64_t start = 0; start < n; start += step) {
        const std::uint64_t end = std::min(start + window_size, n);
        std::string window;
        for (std::uint64_t k = start; k < end; ++k) unicode::append_utf8(window, C[k]);
        const std::uint64_t W = end - start;
        if (window.size() < 10) continue;
        const std::uint32_t score = oracle_partial_ratio(m, window);
        if (score < threshold) continue;
        std::uint64_t offset;
        const std::size_t at = window.find(m);
        if (at != std::string::npos) {
          offset = decode_chars(window.substr(0, at)).size();
        } else {
          const std::int64_t centred = static_cast<std::int64_t>(W / 2) - static_cast<std::int64_t>(M / 2);
          offset = centred < 0 ? 0 : static_cast<std::uint64_t>(centred);
        }
        const std::uint64_t position = byte_offset(start + offset);
        const std::uint64_t E = byte_offset(end);
        const std::uint64_t length = std::min(E - position, B);
        if (seen.insert({position, i}).second)
          out.push_back({m, entries[i].category, position, length, static_cast<double>(score)});
      }
    }
  }
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.position < b.position; });
  return out;
}

}  // namespace kc::testing_oracles
