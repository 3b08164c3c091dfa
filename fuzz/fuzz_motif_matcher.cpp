// MotifMatcher::find_matches with any lexicon, threshold, window and step
// against the step-by-step transcription. A window end beyond 2^64 - 1 must
// raise the documented kc::Panic; nothing else may throw.
#include <fuzzer/FuzzedDataProvider.h>

#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "fuzz_input.h"
#include "motif_matching/motif_matcher.h"
#include "motif_oracles.h"
#include "unicode/case.h"
#include "unicode/utf8.h"
#include "util/panic.h"

namespace {

using kc::motif_matching::MotifMatcher;

std::uint64_t pick_size(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return in.ConsumeIntegralInRange<std::uint64_t>(0, 80);
    case 1:  // near the top, where window ends wrap
      return std::numeric_limits<std::uint64_t>::max() - in.ConsumeIntegralInRange<std::uint64_t>(0, 80);
    case 2:
      return std::uint64_t{1} << in.ConsumeIntegralInRange<int>(0, 63);
    default:
      return in.ConsumeIntegral<std::uint64_t>();
  }
}

std::string describe(const std::vector<kc::MotifMatch>& ms) {
  std::string out;
  for (const auto& m : ms)
    out += "(" + kc::fuzz::escaped(m.motif) + " " + m.category + " " + std::to_string(m.position) + " " +
           std::to_string(m.length) + " " + std::to_string(m.score) + ")";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto threshold = in.ConsumeIntegralInRange<std::uint32_t>(0, 110);
  const bool use_fuzzy = in.ConsumeBool();
  const std::uint64_t window_size = pick_size(in);
  const std::uint64_t step = pick_size(in);
  kc::CategoryTable table;
  for (int i = in.ConsumeIntegralInRange<int>(0, 6); i > 0; --i) {
    std::string category(1, static_cast<char>('a' + in.ConsumeIntegralInRange<int>(0, 2)));
    table[category].push_back(kc::fuzz::to_utf8(in.ConsumeRandomLengthString(16)));
  }
  // Short texts keep the transcription (quadratic per window) fast.
  const std::string text = kc::fuzz::to_utf8(in.ConsumeRandomLengthString(120));

  auto built = MotifMatcher::New(table, threshold, use_fuzzy);
  if (!std::holds_alternative<MotifMatcher>(built)) kc::fuzz::fail("matcher build failed");
  const MotifMatcher& matcher = std::get<MotifMatcher>(built);
  // A fuzzy search with step 0 is refused before it starts.
  const std::uint64_t run_step = matcher.step_error(step) ? 1 : step;
  kc::fuzz::check(use_fuzzy || !matcher.step_error(step), "step refused without fuzzy matching");

  // Whether a window end wraps: only fuzzy windows are cut, only for motifs
  // without an exact hit, and the last start is the largest.
  std::string lowered;
  kc::unicode::to_lowercase(text, lowered);
  const std::uint64_t n = kc::unicode::count_chars(lowered);
  std::vector<std::string_view> motifs;
  for (const auto& e : matcher.motif_entries()) motifs.push_back(e.motif);
  std::vector<bool> exact(motifs.size(), false);
  for (const auto& m : kc::testing_oracles::direct_matches(motifs, lowered)) exact[m.pattern] = true;
  bool fuzzy_windows = false;
  for (bool e : exact) fuzzy_windows |= !e;
  fuzzy_windows &= use_fuzzy && n > 0;
  std::uint64_t wrapping_start = 0;
  bool wraps = false;
  for (std::uint64_t start = 0; fuzzy_windows && start < n; start += run_step) {
    if (start + window_size < start) {
      wraps = true;
      wrapping_start = start;
      break;
    }
    if (run_step >= n - start) break;
  }

  std::vector<kc::MotifMatch> got;
  try {
    got = matcher.find_matches(text, window_size, run_step);
  } catch (const kc::Panic& p) {
    const std::string expected = "slice index starts at " + std::to_string(wrapping_start) + " but ends at " +
                                 std::to_string(wrapping_start + window_size);
    if (!wraps || p.what() != expected)
      kc::fuzz::fail(std::string("unexpected panic: ") + p.what() + (wraps ? " expected " + expected : ""));
    return 0;
  }
  kc::fuzz::check(!wraps, "no panic although a window end wraps");
  const auto want = kc::testing_oracles::reference_find_matches(matcher.motif_entries(), threshold, use_fuzzy, text,
                                                                window_size, run_step);
  if (got != want)
    kc::fuzz::fail("find_matches " + describe(got) + " transcription " + describe(want) + " text " +
                   kc::fuzz::escaped(text) + " window " + std::to_string(window_size) + " step " +
                   std::to_string(run_step) + " threshold " + std::to_string(threshold));
  return 0;
}
