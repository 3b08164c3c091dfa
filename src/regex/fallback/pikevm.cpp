// Pike VM over the code point NFA.
#include "regex/fallback/pikevm.h"

#include <utility>

#include "regex/fallback/word_char.h"
#include "regex/util/utf8.h"

namespace kc::regex::fallback {

using nfa::Op;
using nfa::State;
using nfa::StateId;

// Prefilter pacing, in bytes: a skip shorter than kDenseSkip marks dense
// candidates, after which the VM runs kQuietStretch bytes unassisted.
constexpr std::size_t kDenseSkip = 16;
constexpr std::size_t kQuietStretch = 64;
constexpr std::uint32_t kNoClass = ~std::uint32_t{0};

PikeVm::Cache::Cache(const nfa::Nfa& nfa) {
  for (Threads* t : {&current_, &next_}) {
    t->sparse.assign(nfa.states.size(), 0);
    t->dense.assign(nfa.states.size(), 0);
    t->start.assign(nfa.states.size(), 0);
    t->runnable.reserve(nfa.states.size());
  }
  stack_.reserve(16);
}

// The assertions holding at one position, computed on first use. The VM
// moves forward a character at a time, so the character after one position
// is the one before the next: its word-ness is decoded once.
class PikeVm::Looks {
 public:
  explicit Looks(std::string_view text) : text_(text) {}
  bool holds(hir::Look look, std::size_t pos) {
    if (pos != pos_) compute(pos);
    return fallback::holds(look, ctx_);
  }

 private:
  void compute(std::size_t pos) {
    LookContext& ctx = ctx_;
    ctx = LookContext{};
    if (pos > 0) {
      ctx.before = static_cast<unsigned char>(text_[pos - 1]);
      if (pos_ != kNone && pos == pos_ + after_len_) {
        ctx.word_before = word_after_;
      } else {
        ctx.word_before = is_word_char(ctx.before < 0x80 ? ctx.before : util::decode_before(text_, pos));
      }
    }
    after_len_ = 0;
    if (pos < text_.size()) {
      ctx.after = static_cast<unsigned char>(text_[pos]);
      after_len_ = 1;
      ctx.word_after = is_word_char(ctx.after < 0x80 ? ctx.after : util::decode_at(text_, pos, &after_len_));
    }
    word_after_ = ctx.word_after;
    pos_ = pos;
  }

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::string_view text_;
  std::size_t pos_ = kNone;
  std::size_t after_len_ = 0;
  bool word_after_ = false;
  LookContext ctx_;
};

void PikeVm::add(Cache::Threads& list, std::vector<StateId>& stack, StateId id, std::size_t start,
                 std::size_t pos, Looks& looks) const {
  // Depth-first in priority order: follow `out` directly, keep `out1` for later.
  stack.push_back(id);
  while (!stack.empty()) {
    id = stack.back();
    stack.pop_back();
    while (!list.contains(id)) {
      list.insert(id);
      const State& s = nfa_->states[id];
      if (s.op == Op::Split) {
        stack.push_back(s.out1);
        id = s.out;
      } else if (s.op == Op::Jump || (s.op == Op::Look && looks.holds(s.look, pos))) {
        id = s.out;
      } else {
        if (s.op != Op::Look) {
          list.runnable.push_back(id);
          list.start[id] = start;
        }
        break;
      }
    }
  }
}

// Whether the search should stop for a handover, after one more step at
// `pos` over a character of `len` bytes.
bool PikeVm::handing_over(const Cache::Handover& h, const Cache::Threads& threads, std::size_t pos,
                          std::size_t len, std::size_t& young_bytes) {
  // Threads are in priority order, which for an unanchored search is the
  // order of their starts: the first is the oldest.
  if (!threads.runnable.empty() && pos - threads.start[threads.runnable.front()] >= h.young_age) {
    young_bytes = 0;
    return false;
  }
  young_bytes += len;
  return young_bytes >= h.young_run;
}

std::optional<Span> PikeVm::find(std::string_view text, std::size_t from, const Prefilter* prefilter,
                                 bool earliest, Cache& cache) const {
  const std::size_t n = text.size();
  Cache::Threads* clist = &cache.current_;
  Cache::Threads* nlist = &cache.next_;
  clist->clear();
  nlist->clear();
  Looks looks(text);
  std::optional<Span> best;
  std::size_t i = from;
  std::size_t& quiet_until = cache.prefilter_quiet_until_;
  while (true) {
    if (!best) {
      if (clist->size == 0 && prefilter != nullptr && cache.prefilter_budget_ > 0 && i >= quiet_until) {
        // No thread alive: whatever matches starts at or after i.
        std::size_t work = 0;
        std::optional<std::size_t> next = prefilter->next_start(text, i, &work);
        cache.prefilter_budget_ = work >= cache.prefilter_budget_ ? 0 : cache.prefilter_budget_ - work;
        if (!next) return std::nullopt;
        // Where candidates are dense a call costs more than it skips: run
        // the VM on its own for a stretch before asking again.
        if (*next - i < kDenseSkip) quiet_until = *next + kQuietStretch;
        if (*next > i) i = util::next_char_boundary(text, *next);
      }
      add(*clist, cache.stack_, nfa_->start, i, i, looks);
    }
    std::size_t len = 0;
    char32_t c = 0;
    if (i < n) c = util::decode_at(text, i, &len);
    if (cache.handover_ && handing_over(*cache.handover_, *clist, i, len, cache.young_bytes_)) {
      cache.gave_up_ = true;
      return std::nullopt;
    }
    // The last class tested against c: the copies of a counted repetition
    // share one class and run next to each other in priority order.
    std::uint32_t tested_cls = kNoClass;
    bool in_cls = false;
    for (StateId id : clist->runnable) {
      const State& s = nfa_->states[id];
      bool consumes;
      switch (s.op) {
        case Op::Match:
          best = Span{clist->start[id], i};
          if (earliest) return best;
          goto cut;  // lower-priority threads can no longer win
        case Op::Range:
          consumes = i < n && s.lo <= c && c <= s.hi;
          break;
        case Op::Class:
          if (s.cls != tested_cls) {
            tested_cls = s.cls;
            in_cls = i < n && nfa_->classes[s.cls].contains(c);
          }
          consumes = in_cls;
          break;
        default:
          consumes = false;
          break;
      }
      if (!consumes) continue;
      if (const Op next = nfa_->states[s.out].op; next == Op::Range || next == Op::Class || next == Op::Match) {
        // Straight to the next consuming state, as along the copies of a
        // counted repetition: no epsilon closure to follow.
        if (!nlist->contains(s.out)) {
          nlist->insert(s.out);
          nlist->runnable.push_back(s.out);
          nlist->start[s.out] = clist->start[id];
        }
      } else {
        add(*nlist, cache.stack_, s.out, clist->start[id], i + len, looks);
      }
    }
  cut:
    if (i >= n) break;
    if (best && nlist->size == 0) break;
    std::swap(clist, nlist);
    nlist->clear();
    i += len;
  }
  return best;
}

}  // namespace kc::regex::fallback
