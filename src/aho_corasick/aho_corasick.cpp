// Building the searchable automaton from the trie, and the search loops.
#include "aho_corasick/aho_corasick.h"

#include <string>

#include "aho_corasick/trie.h"

namespace kc::aho_corasick {

namespace {

// States this shallow get dense rows in the sparse form: nearly every text
// byte passes through them, deeper states are visited rarely.
constexpr std::uint32_t kDenseDepth = 2;
constexpr std::uint64_t kSparseDenseCellBudget = std::uint64_t{4} << 20;

// Fills the resolved (DFA) row of trie state `s` via `row_of`, which gives
// the finished row of any state numbered before `s`.
template <class RowOf>
void resolve_row(const Trie& trie, std::uint32_t s, std::uint32_t stride, std::uint32_t* row,
                 RowOf row_of) {
  if (s == 0) {
    for (std::uint32_t c = 0; c < stride; ++c) row[c] = 0;
  } else {
    const std::uint32_t* fail_row = row_of(trie.fail[s]);
    for (std::uint32_t c = 0; c < stride; ++c) row[c] = fail_row[c];
  }
  for (const Trie::Transition& t : trie.out[s]) row[t.cls] = t.next;
}

}  // namespace

std::variant<AhoCorasick, BuildError> AhoCorasick::build(const std::vector<std::string_view>& patterns,
                                                         const BuildOptions& options) {
  if (patterns.size() > options.max_patterns)
    return BuildError("pattern identifier overflow: " + std::to_string(patterns.size()) +
                      " patterns exceed the limit of " + std::to_string(options.max_patterns));
  AhoCorasick ac;
  ac.pattern_count_ = patterns.size();
  for (std::size_t i = 0; i < patterns.size(); ++i)
    if (patterns[i].empty()) {
      ac.empty_pattern_ = static_cast<std::uint32_t>(i);
      break;
    }
  ac.classes_ = ByteClasses::from_patterns(patterns);
  ac.stride_ = ac.classes_.count();
  ac.stride_reciprocal_ = ((std::uint64_t{1} << 48) + ac.stride_ - 1) / ac.stride_;
  auto built = build_trie(patterns, ac.classes_, options.max_states);
  if (auto* err = std::get_if<BuildError>(&built)) return std::move(*err);
  const Trie& trie = std::get<Trie>(built);
  const std::uint32_t n = static_cast<std::uint32_t>(trie.size());
  const std::uint32_t stride = ac.stride_;
  ac.prefilter_ = BytePrefilter::build(patterns);

  ac.dfa_ = std::uint64_t{n} * stride <= options.dfa_cell_budget;
  if (ac.dfa_) {
    // Renumber: match states first, then the start state, then the rest.
    std::vector<std::uint32_t> id(n);
    std::uint32_t next = 0;
    for (std::uint32_t s = 1; s < n; ++s)
      if (trie.match_pattern[s] != kNone) id[s] = next++;
    ac.start_ = next;
    id[0] = next++;
    for (std::uint32_t s = 1; s < n; ++s)
      if (trie.match_pattern[s] == kNone) id[s] = next++;
    // Rows resolved in trie (breadth-first) order into a scratch table, then
    // moved to their new places with premultiplied targets.
    std::vector<std::uint32_t> rows(std::size_t{n} * stride);
    for (std::uint32_t s = 0; s < n; ++s)
      resolve_row(trie, s, stride, &rows[std::size_t{s} * stride],
                  [&](std::uint32_t t) { return &rows[std::size_t{t} * stride]; });
    ac.trans_.resize(rows.size());
    ac.match_info_.assign(ac.start_, {kNone, 0});
    // Entering a match state reports its match, and the next search starts
    // afresh where it ends: so a match state moves on as the start state
    // does, and iteration needs no restart.
    for (std::uint32_t s = 0; s < n; ++s) {
      std::uint32_t* dst = &ac.trans_[std::size_t{id[s]} * stride];
      const std::uint32_t* src = &rows[std::size_t{id[s] < ac.start_ ? 0 : s} * stride];
      for (std::uint32_t c = 0; c < stride; ++c) dst[c] = id[src[c]] * stride;
      if (id[s] < ac.start_) ac.match_info_[id[s]] = {trie.match_pattern[s], trie.match_len[s]};
    }
    ac.start_ *= stride;
    return ac;
  }

  // Sparse form.
  std::uint32_t dense = 1;
  while (dense < n && trie.depth[dense] <= kDenseDepth &&
         std::uint64_t{dense + 1} * stride <= kSparseDenseCellBudget)
    ++dense;
  ac.num_dense_ = dense;
  ac.dense_.resize(std::size_t{dense} * stride);
  for (std::uint32_t s = 0; s < dense; ++s)
    resolve_row(trie, s, stride, &ac.dense_[std::size_t{s} * stride],
                [&](std::uint32_t t) { return &ac.dense_[std::size_t{t} * stride]; });
  ac.sparse_begin_.resize(std::size_t{n} + 1);
  std::size_t total = 0;
  for (std::uint32_t s = 0; s < n; ++s) {
    ac.sparse_begin_[s] = static_cast<std::uint32_t>(total);
    if (s >= dense) total += trie.out[s].size();
  }
  ac.sparse_begin_[n] = static_cast<std::uint32_t>(total);
  ac.sparse_cls_.reserve(total);
  ac.sparse_next_.reserve(total);
  for (std::uint32_t s = dense; s < n; ++s)
    for (const Trie::Transition& t : trie.out[s]) {
      ac.sparse_cls_.push_back(t.cls);
      ac.sparse_next_.push_back(t.next);
    }
  ac.fail_ = trie.fail;
  ac.match_info_.resize(n);
  for (std::uint32_t s = 0; s < n; ++s) ac.match_info_[s] = {trie.match_pattern[s], trie.match_len[s]};
  return ac;
}

std::size_t AhoCorasick::skip(const unsigned char* text, std::size_t at, std::size_t len,
                              PrefilterState& pf) const {
  const std::size_t to = prefilter_->next(text, at, len);
  pf.skipped += to - at;
  if (++pf.calls == 64) {
    // Fewer than 16 bytes skipped per call on average: the scan does not pay.
    if (pf.skipped < 64 * 16) pf.active = false;
    pf.calls = 0;
    pf.skipped = 0;
  }
  return to;
}

std::optional<Match> AhoCorasick::find_dfa(const unsigned char* text, std::size_t len, std::size_t from,
                                           PrefilterState& pf) const {
  const std::uint32_t* trans = trans_.data();
  const std::uint16_t* cls = classes_.data();
  const std::uint32_t start = start_;
  std::uint32_t s = start;
  std::size_t p = from;
  if (pf.active) p = skip(text, p, len, pf);
  while (p < len) {
    s = trans[s + cls[text[p]]];
    ++p;
    if (s <= start) {
      if (s < start) {
        const MatchInfo info = match_info_[state_index(s)];
        return Match{info.pattern, p - info.len, p};
      }
      if (pf.active) p = skip(text, p, len, pf);
    }
  }
  return std::nullopt;
}

std::optional<Match> AhoCorasick::find_sparse(const unsigned char* text, std::size_t len,
                                              std::size_t from, PrefilterState& pf) const {
  const std::uint16_t* cls = classes_.data();
  std::uint32_t s = 0;
  std::size_t p = from;
  if (pf.active) p = skip(text, p, len, pf);
  while (p < len) {
    s = sparse_next(s, cls[text[p]]);
    ++p;
    if (match_info_[s].pattern != kNone) return Match{match_info_[s].pattern, p - match_info_[s].len, p};
    if (s == 0 && pf.active) p = skip(text, p, len, pf);
  }
  return std::nullopt;
}

std::optional<Match> AhoCorasick::find_at(std::string_view text, std::size_t from, PrefilterState& pf) const {
  // The start state itself matches the empty pattern: that match ends first.
  if (empty_pattern_) return Match{*empty_pattern_, from, from};
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  return dfa_ ? find_dfa(bytes, text.size(), from, pf) : find_sparse(bytes, text.size(), from, pf);
}

std::optional<Match> AhoCorasick::find(std::string_view text, std::size_t from) const {
  PrefilterState pf;
  pf.active = prefilter_.has_value();
  return find_at(text, from, pf);
}

std::size_t AhoCorasick::find_iter_impl(std::string_view text, bool until_prefilter_off, void* ctx,
                                        void (*cb)(void*, const Match&)) const {
  PrefilterState pf;
  pf.active = prefilter_.has_value();
  std::size_t at = 0;
  std::optional<std::size_t> last_end;
  while (at <= text.size()) {
    std::optional<Match> m = find_at(text, at, pf);
    if (!m) break;
    if (m->start == m->end && last_end == m->end) {
      at = m->end + 1;
      continue;
    }
    cb(ctx, *m);
    at = m->end;
    last_end = m->end;
    if (until_prefilter_off && !pf.active) return at;
  }
  return text.size() + 1;
}

}  // namespace kc::aho_corasick
