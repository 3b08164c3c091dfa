// Pike VM over the code point NFA.
#include "regex/fallback/pikevm.h"

#include <utility>

#include "regex/util/utf8.h"

namespace kc::regex::fallback {

using nfa::Op;
using nfa::State;
using nfa::StateId;

PikeVm::Cache::Cache(const nfa::Nfa& nfa) {
  for (Threads* t : {&current_, &next_}) {
    t->sparse.assign(nfa.states.size(), 0);
    t->dense.assign(nfa.states.size(), 0);
    t->start.assign(nfa.states.size(), 0);
    t->runnable.reserve(nfa.states.size());
  }
  stack_.reserve(16);
}

// The assertions holding at one position, computed on first use.
class PikeVm::Looks {
 public:
  explicit Looks(std::string_view text) : text_(text) {}
  bool holds(hir::Look look, std::size_t pos) {
    if (pos != pos_) {
      pos_ = pos;
      set_ = looks_at(text_, pos);
    }
    return (set_ & look_bit(look)) != 0;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = static_cast<std::size_t>(-1);
  LookSet set_ = 0;
};

void PikeVm::add(Cache::Threads& list, std::vector<StateId>& stack, StateId id, std::size_t start,
                 std::size_t pos, Looks& looks) const {
  stack.push_back(id);
  while (!stack.empty()) {
    id = stack.back();
    stack.pop_back();
    if (list.contains(id)) continue;
    list.insert(id);
    const State& s = nfa_->states[id];
    switch (s.op) {
      case Op::Split:
        stack.push_back(s.out1);
        stack.push_back(s.out);
        break;
      case Op::Jump:
        stack.push_back(s.out);
        break;
      case Op::Look:
        if (looks.holds(s.look, pos)) stack.push_back(s.out);
        break;
      default:
        list.runnable.push_back(id);
        list.start[id] = start;
        break;
    }
  }
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
  while (true) {
    if (!best) {
      if (clist->size == 0 && prefilter != nullptr && cache.prefilter_budget_ > 0) {
        // No thread alive: whatever matches starts at or after i.
        std::size_t work = 0;
        std::optional<std::size_t> next = prefilter->next_start(text, i, &work);
        cache.prefilter_budget_ = work >= cache.prefilter_budget_ ? 0 : cache.prefilter_budget_ - work;
        if (!next) return std::nullopt;
        if (*next > i) i = util::next_char_boundary(text, *next);
      }
      add(*clist, cache.stack_, nfa_->start, i, i, looks);
    }
    std::size_t len = 0;
    char32_t c = 0;
    if (i < n) c = util::decode_at(text, i, &len);
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
          consumes = i < n && nfa_->classes[s.cls].contains(c);
          break;
        default:
          consumes = false;
          break;
      }
      if (consumes) add(*nlist, cache.stack_, s.out, clist->start[id], i + len, looks);
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
