// The pattern trie with failure links, the intermediate form of the build.
//
// States are numbered in breadth-first order (root 0), so a state's failure
// target always has a smaller number than the state. The searchable forms
// (full DFA, or dense rows near the root plus sparse rows deeper) are derived
// from it and the trie itself is then dropped.
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "aho_corasick/build_error.h"
#include "aho_corasick/byte_classes.h"

namespace kc::aho_corasick {

inline constexpr std::uint32_t kNone = 0xFFFFFFFFu;

struct Trie {
  struct Transition {
    std::uint16_t cls;
    std::uint32_t next;
  };

  // Per state: outgoing transitions sorted by class, failure link (root's is
  // itself), and the match reported on entering the state under standard
  // semantics (kNone if none): the state's own lowest pattern id if a pattern
  // ends here, else the match of its failure target. `match_len` is that
  // pattern's length in bytes.
  std::vector<std::vector<Transition>> out;
  std::vector<std::uint32_t> fail;
  std::vector<std::uint32_t> depth;
  std::vector<std::uint32_t> match_pattern;
  std::vector<std::uint32_t> match_len;

  std::size_t size() const { return fail.size(); }

  // The target of `s` on class `c` in the trie alone, or kNone.
  std::uint32_t child(std::uint32_t s, std::uint16_t c) const {
    for (const Transition& t : out[s])
      if (t.cls == c) return t.next;
    return kNone;
  }
};

// Builds the trie of `patterns` (pattern i has id i) over `classes`. Fails
// with a BuildError when the states would outnumber `max_states`.
std::variant<Trie, BuildError> build_trie(const std::vector<std::string_view>& patterns,
                                          const ByteClasses& classes, std::uint64_t max_states);

}  // namespace kc::aho_corasick
