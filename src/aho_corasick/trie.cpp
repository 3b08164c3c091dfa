// Trie construction: insertion, breadth-first renumbering, failure links.
#include "aho_corasick/trie.h"

#include <algorithm>
#include <string>

namespace kc::aho_corasick {

std::variant<Trie, BuildError> build_trie(const std::vector<std::string_view>& patterns,
                                          const ByteClasses& classes, std::uint64_t max_states) {
  // Insertion order first; renumbered breadth-first below.
  std::vector<std::vector<Trie::Transition>> out(1);
  std::vector<std::uint32_t> own(1, kNone);
  std::vector<std::uint32_t> own_len(1, kNone);
  for (std::size_t id = 0; id < patterns.size(); ++id) {
    std::uint32_t s = 0;
    for (char ch : patterns[id]) {
      const std::uint16_t c = classes.get(static_cast<unsigned char>(ch));
      std::uint32_t next = kNone;
      for (const Trie::Transition& t : out[s])
        if (t.cls == c) {
          next = t.next;
          break;
        }
      if (next == kNone) {
        if (out.size() >= max_states)
          return BuildError("state identifier overflow: the automaton needs more than " +
                            std::to_string(max_states) + " states");
        next = static_cast<std::uint32_t>(out.size());
        out[s].push_back({c, next});
        out.emplace_back();
        own.push_back(kNone);
        own_len.push_back(kNone);
      }
      s = next;
    }
    // Duplicates keep the first (lowest) id: standard semantics never reports the others.
    if (own[s] == kNone) {
      own[s] = static_cast<std::uint32_t>(id);
      own_len[s] = static_cast<std::uint32_t>(patterns[id].size());
    }
  }

  const std::size_t n = out.size();
  std::vector<std::uint32_t> order;  // breadth-first position -> insertion id
  order.reserve(n);
  order.push_back(0);
  std::vector<std::uint32_t> renum(n, kNone);
  renum[0] = 0;
  for (std::size_t head = 0; head < order.size(); ++head) {
    auto& ts = out[order[head]];
    std::sort(ts.begin(), ts.end(), [](const auto& a, const auto& b) { return a.cls < b.cls; });
    for (const Trie::Transition& t : ts) {
      renum[t.next] = static_cast<std::uint32_t>(order.size());
      order.push_back(t.next);
    }
  }

  Trie trie;
  trie.out.resize(n);
  trie.fail.assign(n, 0);
  trie.depth.assign(n, 0);
  trie.match_pattern.assign(n, kNone);
  trie.match_len.assign(n, kNone);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t old = order[i];
    auto& ts = trie.out[i];
    ts = std::move(out[old]);
    for (Trie::Transition& t : ts) t.next = renum[t.next];
    trie.match_pattern[i] = own[old];
    trie.match_len[i] = own_len[old];
  }

  // Failure links in breadth-first order: every target is shallower, so it is final already.
  for (std::uint32_t s = 0; s < n; ++s) {
    for (const Trie::Transition& t : trie.out[s]) {
      const std::uint32_t child = t.next;
      trie.depth[child] = trie.depth[s] + 1;
      std::uint32_t f = kNone;
      if (s != 0) {
        for (std::uint32_t g = trie.fail[s];; g = trie.fail[g]) {
          f = trie.child(g, t.cls);
          if (f != kNone || g == 0) break;
        }
      }
      trie.fail[child] = f == kNone ? 0 : f;
    }
    if (s != 0 && trie.match_pattern[s] == kNone) {
      trie.match_pattern[s] = trie.match_pattern[trie.fail[s]];
      trie.match_len[s] = trie.match_len[trie.fail[s]];
    }
  }
  return trie;
}

}  // namespace kc::aho_corasick
