// Motif matching speed: the sliding-count fuzzy scorer against the direct
// alignment-by-alignment algorithm on the same windows, and the automaton's
// exact-search throughput. Run by hand:
//   cmake -S . -B build/bench -G Ninja -DKC_BUILD_BENCHMARKS=ON -DKC_BUILD_TESTS=OFF
//   cmake --build build/bench && build/bench/benchmarks/motif_bench
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "aho_corasick/aho_corasick.h"
#include "motif_matching/motif_matcher.h"
#include "motif_matching/motif_scorer.h"
#include "motif_oracles.h"
#include "unicode/case.h"

namespace {

using namespace kc;
using Clock = std::chrono::steady_clock;

const char* const kWords[] = {
    "the", "of", "and", "to", "in", "is", "you", "that", "it", "he", "was", "for", "on", "are", "as", "with",
    "his", "they", "at", "be", "this", "have", "from", "or", "one", "had", "by", "word", "but", "not", "what",
    "all", "were", "we", "when", "your", "can", "said", "there", "use", "an", "each", "which", "she", "do",
    "how", "their", "if", "will", "up", "other", "about", "out", "many", "then", "them", "these", "so", "some",
    "her", "would", "make", "like", "him", "into", "time", "has", "look", "two", "more", "write", "go", "see",
    "number", "no", "way", "could", "people", "my", "than", "first", "water", "been", "call", "who", "oil",
    "its", "now", "find", "long", "down", "day", "did", "get", "come", "made", "may", "part", "ignore",
    "previous", "instructions", "system", "prompt", "pretend", "developer", "mode", "reveal", "secret",
    "assistant", "rules", "bypass", "filter", "jailbreak", "policy", "override", "unrestricted", "answer",
    "question", "story", "summary", "document", "email", "report", "meeting", "schedule", "weather", "recipe",
    "café", "naïve", "résumé", "über", "straße", "σοφία", "東京", "emoji😀"};

std::string prose(std::mt19937& rng, std::size_t bytes) {
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kWords) - 1);
  std::string s;
  while (s.size() < bytes) {
    s += kWords[pick(rng)];
    s += pick(rng) % 12 == 0 ? ". " : " ";
  }
  return s;
}

std::string phrase(std::mt19937& rng, int words) {
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kWords) - 1);
  std::string s = kWords[pick(rng)];
  for (int i = 1; i < words; ++i) (s += ' ') += kWords[pick(rng)];
  return s;
}

template <class F>
double seconds(F&& f) {
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

struct Hit {
  std::size_t motif, start;
  std::uint32_t score;
  bool operator==(const Hit&) const = default;
};

// The fuzzy pass's scoring loop (window 50, step 25, 10-byte rule,
// threshold), with either scorer.
template <class Score>
std::vector<Hit> fuzzy_loop(const std::vector<std::string>& motifs, const std::string& lowered,
                            std::uint32_t threshold, Score score) {
  const std::vector<char32_t> chars = motif_matching::decode_chars(lowered);
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < lowered.size(); ++i)
    if ((static_cast<unsigned char>(lowered[i]) & 0xC0) != 0x80) offsets.push_back(i);
  offsets.push_back(lowered.size());
  std::vector<Hit> hits;
  for (std::size_t i = 0; i < motifs.size(); ++i) {
    auto window_score = score(motifs[i], chars);
    for (std::size_t start = 0; start < chars.size(); start += 25) {
      const std::size_t end = std::min<std::size_t>(start + 50, chars.size());
      if (offsets[end] - offsets[start] < 10) continue;
      const std::string_view window(lowered.data() + offsets[start], offsets[end] - offsets[start]);
      const std::uint32_t s = window_score(start, end, window);
      if (s >= threshold) hits.push_back({i, start, s});
    }
  }
  return hits;
}

void bench_fuzzy() {
  std::mt19937 rng(1);
  std::vector<std::string> motifs;
  CategoryTable table;
  for (int i = 0; i < 50; ++i) {
    motifs.push_back(phrase(rng, 2 + i % 3));
    table["cat" + std::to_string(i % 5)].push_back(motifs.back());
  }
  std::string text = prose(rng, 10 * 1024);
  std::string lowered;
  unicode::to_lowercase(text, lowered);

  std::vector<Hit> fast_hits, direct_hits;
  const int reps = 20;
  const double fast = seconds([&] {
    for (int r = 0; r < reps; ++r)
      fast_hits = fuzzy_loop(motifs, lowered, 80, [](const std::string& motif, const std::vector<char32_t>& chars) {
        auto scorer = std::make_shared<motif_matching::MotifScorer>(motif);
        auto mapped = std::make_shared<std::vector<std::uint32_t>>();
        scorer->index_text(chars, *mapped);
        return [scorer, mapped](std::size_t start, std::size_t end, std::string_view) {
          return scorer->score(std::span(*mapped).subspan(start, end - start));
        };
      });
  });
  const double direct = seconds([&] {
    for (int r = 0; r < reps; ++r)
      direct_hits = fuzzy_loop(motifs, lowered, 80, [](const std::string& motif, const std::vector<char32_t>&) {
        return [&motif](std::size_t, std::size_t, std::string_view window) {
          return testing_oracles::oracle_partial_ratio(motif, window);
        };
      });
  });
  std::printf("fuzzy scoring, 50 motifs x %zu windows (10 KB text, threshold 80): %zu hits, identical: %s\n",
              static_cast<std::size_t>(motif_matching::decode_chars(lowered).size() / 25 + 1), fast_hits.size(),
              fast_hits == direct_hits ? "yes" : "NO");
  std::printf("  sliding counts: %8.3f ms/search\n  direct:         %8.3f ms/search\n  speed-up:       %8.1fx\n",
              1e3 * fast / reps, 1e3 * direct / reps, direct / fast);

  // The whole search, and its agreement with the step-by-step reference.
  auto built = motif_matching::MotifMatcher::New(table, 80, true);
  const auto& matcher = std::get<motif_matching::MotifMatcher>(built);
  std::vector<MotifMatch> found;
  const double whole = seconds([&] {
    for (int r = 0; r < reps; ++r) found = matcher.find_matches(text, 50, 25);
  });
  const auto reference = testing_oracles::reference_find_matches(matcher.motif_entries(), 80, true, text, 50, 25);
  std::printf("find_matches (exact + fuzzy): %8.3f ms/search, %zu hits, equal to reference: %s\n",
              1e3 * whole / reps, found.size(), found == reference ? "yes" : "NO");
}

void bench_exact(std::size_t motif_count, std::uint64_t dfa_budget, const char* label) {
  std::mt19937 rng(2);
  std::vector<std::string> owned;
  for (std::size_t i = 0; i < motif_count; ++i) owned.push_back(phrase(rng, 2 + static_cast<int>(i % 2)));
  std::vector<std::string_view> patterns(owned.begin(), owned.end());
  const std::string text = prose(rng, 1 << 20);
  auto built = aho_corasick::AhoCorasick::build(patterns, {.dfa_cell_budget = dfa_budget});
  const auto& ac = std::get<aho_corasick::AhoCorasick>(built);
  std::size_t matches = 0;
  const int reps = 10;
  const double t = seconds([&] {
    for (int r = 0; r < reps; ++r) ac.find_iter(text, [&](const aho_corasick::Match&) { ++matches; });
  });
  std::printf("exact search, %4zu motifs, %s, 1 MB prose: %7.1f MB/s, %zu matches/pass\n", motif_count, label,
              reps * text.size() / t / 1e6, matches / reps);
}

void bench_exact_rare() {
  // Few motifs with rare bytes: the prefilter skips most of the text.
  std::mt19937 rng(3);
  std::string text = prose(rng, 1 << 20);
  for (char& c : text)
    if (c == 'j' || c == 'z' || c == 'q') c = 'x';
  auto built = aho_corasick::AhoCorasick::build({"jailbreak", "zero-day", "quiz"});
  const auto& ac = std::get<aho_corasick::AhoCorasick>(built);
  std::size_t matches = 0;
  const int reps = 50;
  const double t = seconds([&] {
    for (int r = 0; r < reps; ++r) ac.find_iter(text, [&](const aho_corasick::Match&) { ++matches; });
  });
  std::printf("exact search,    3 rare motifs, prefilter, 1 MB: %7.1f MB/s, %zu matches\n",
              reps * text.size() / t / 1e6, matches);
}

void bench_dense() {
  // A hit on nearly every word: every word of the vocabulary is a motif, and
  // two- and three-word phrases fill the lexicon up to 10,000 motifs. Per hit
  // cost of each stage of the search.
  std::mt19937 rng(4);
  CategoryTable table;
  std::size_t count = 0;
  for (const char* w : kWords) table["c" + std::to_string(count++ % 20)].push_back(w);
  while (count < 10000) table["c" + std::to_string(count++ % 20)].push_back(phrase(rng, 2 + static_cast<int>(count % 2)));
  const std::string text = prose(rng, 2 << 20);
  auto built = motif_matching::MotifMatcher::New(table, 80, false);
  const auto& matcher = std::get<motif_matching::MotifMatcher>(built);
  const int reps = 10;
  std::string lowered;
  const double lower = seconds([&] {
    for (int r = 0; r < reps; ++r) {
      lowered.clear();
      unicode::to_lowercase(text, lowered);
    }
  });
  std::size_t hits = 0;
  const double scan = seconds([&] {
    for (int r = 0; r < reps; ++r) matcher.automaton().find_iter(lowered, [&](const aho_corasick::Match&) { ++hits; });
  });
  hits /= reps;
  std::size_t records = 0, spans = 0;
  const double by_index = seconds([&] {
    for (int r = 0; r < reps; ++r) records = matcher.find_hits(text, 50, 25).size();
  });
  const double find = seconds([&] {
    for (int r = 0; r < reps; ++r) records = matcher.find_matches(text, 50, 25).size();
  });
  const double positions = seconds([&] {
    for (int r = 0; r < reps; ++r) spans = matcher.get_match_positions(text).size();
  });
  const auto per_hit = [&](double t) { return 1e9 * t / reps / static_cast<double>(hits); };
  std::printf("dense exact search, 10,000 motifs, 2 MB prose, %zu hits (%zu records, %zu spans), ns/hit:\n"
              "  lower-casing %5.1f   automaton scan %5.1f   find_hits %5.1f   find_matches (records with copied "
              "texts) %5.1f   get_match_positions %5.1f\n",
              hits, records, spans, per_hit(lower), per_hit(scan), per_hit(by_index), per_hit(find), per_hit(positions));
}

}  // namespace

int main() {
  bench_dense();
  bench_fuzzy();
  bench_exact(1000, std::uint64_t{8} << 20, "full DFA ");
  bench_exact(1000, 0, "sparse   ");
  bench_exact_rare();
}
