// The Aho-Corasick automaton, in both its DFA and its sparse form, against a
// direct scan of the text: same non-overlapping standard-semantics matches,
// same single searches from any offset.
//
// Input: one option byte, then patterns separated by NUL bytes; the last part
// is the text. Patterns and text are arbitrary bytes.
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "aho_corasick/aho_corasick.h"
#include "fuzz_input.h"
#include "motif_oracles.h"

namespace {

using kc::aho_corasick::AhoCorasick;
using kc::aho_corasick::BuildOptions;
using kc::aho_corasick::Match;
using kc::fuzz::escaped;

std::string describe(const std::vector<Match>& ms) {
  std::string out;
  for (const Match& m : ms)
    out += "(" + std::to_string(m.pattern) + "," + std::to_string(m.start) + "," + std::to_string(m.end) + ")";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned options_byte = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  auto parts = kc::fuzz::split(rest, '\0', 33);
  const std::string_view text = parts.back();
  std::vector<std::string_view> patterns(parts.begin(), parts.end() - (parts.size() > 1 ? 1 : 0));

  BuildOptions options;
  // Low bit set: a cell budget of 0..127, so that all but the tiniest
  // automata take the sparse form.
  if (options_byte & 1) options.dfa_cell_budget = options_byte >> 1;
  auto built = AhoCorasick::build(patterns, options);
  if (std::holds_alternative<kc::aho_corasick::BuildError>(built)) kc::fuzz::fail("build failed");
  const AhoCorasick& ac = std::get<AhoCorasick>(built);

  std::vector<Match> got;
  ac.find_iter(text, [&](const Match& m) { got.push_back(m); });
  const std::vector<Match> want = kc::testing_oracles::direct_matches(patterns, text);
  if (got != want)
    kc::fuzz::fail(std::string(ac.is_dfa() ? "dfa" : "sparse") + " find_iter " + describe(got) + " direct " +
                   describe(want) + " text " + escaped(text));

  for (std::size_t from = 0; from <= text.size(); from += 1 + text.size() / 8) {
    const auto a = ac.find(text, from);
    const auto b = kc::testing_oracles::direct_find(patterns, text, from);
    if (a != b)
      kc::fuzz::fail("find from " + std::to_string(from) + ": " + describe(a ? std::vector{*a} : std::vector<Match>{}) +
                     " direct " + describe(b ? std::vector{*b} : std::vector<Match>{}) + " text " + escaped(text));
  }
  return 0;
}
