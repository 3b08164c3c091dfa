// The Pike VM: a breadth-first simulation of the NFA with leftmost-first
// thread priorities. Linear in the text (times the NFA size), handles every
// assertion, and is the engine of last resort for what RE2 cannot express.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "regex/fallback/look.h"
#include "regex/nfa/nfa.h"
#include "util/span.h"

namespace kc::regex::fallback {

// Tells where the next match could start, so text that cannot hold one is
// skipped without simulating the NFA over it.
class Prefilter {
 public:
  virtual ~Prefilter() = default;
  // A lower bound on the start of every match that starts at or after `from`
  // (a character boundary), or nullopt if no match starts at or after `from`.
  // Adds a measure of the bytes it examined to `*work`.
  virtual std::optional<std::size_t> next_start(std::string_view text, std::size_t from,
                                                std::size_t* work) const = 0;
};

class PikeVm {
 public:
  // Per-search scratch, sized for one NFA. Not shared between threads;
  // reusable across searches of the same VM. Movable, not copyable.
  class Cache {
   public:
    explicit Cache(const nfa::Nfa& nfa);
    Cache(Cache&&) noexcept = default;
    Cache& operator=(Cache&&) noexcept = default;

    // Starts a run of searches over one text: allows the prefilter to examine
    // about `bytes` bytes in total before the searches stop consulting it,
    // which keeps the run linear whatever the prefilter costs per call.
    void start_text(std::size_t bytes) {
      prefilter_budget_ = bytes;
      prefilter_quiet_until_ = 0;
      handover_.reset();
      gave_up_ = false;
    }

    // Makes the searches that follow, until the next start_text, leave the
    // text to another engine once every live thread has begun less than
    // `young_age` bytes back for `young_run` bytes in a row: a search that
    // gets there stops at once with no result, and gave_up() is true.
    struct Handover {
      std::size_t young_age;
      std::size_t young_run;
    };
    void hand_over_when(const Handover& handover) {
      handover_ = handover;
      young_bytes_ = 0;
    }
    bool gave_up() const { return gave_up_; }

   private:
    friend class PikeVm;
    struct Threads {
      std::vector<std::uint32_t> sparse;
      std::vector<nfa::StateId> dense;
      std::uint32_t size = 0;
      std::vector<nfa::StateId> runnable;  // consuming and Match states, by priority
      std::vector<std::size_t> start;      // per state: where its thread's match began
      bool contains(nfa::StateId id) const { return sparse[id] < size && dense[sparse[id]] == id; }
      void insert(nfa::StateId id) {
        sparse[id] = size;
        dense[size++] = id;
      }
      void clear() {
        size = 0;
        runnable.clear();
      }
    };
    Threads current_;
    Threads next_;
    std::vector<nfa::StateId> stack_;
    std::size_t prefilter_budget_ = 0;
    std::size_t prefilter_quiet_until_ = 0;  // no prefilter calls before this offset
    std::optional<Handover> handover_;
    bool gave_up_ = false;
    std::size_t young_bytes_ = 0;
  };

  // Borrows `nfa`, which must outlive the VM. Copyable and movable.
  explicit PikeVm(const nfa::Nfa* nfa) : nfa_(nfa) {}

  // The leftmost-first match starting at or after `from` (a character
  // boundary), judging assertions with all of `text` as context; nullopt if
  // none. `prefilter` may be null. With `earliest`, returns as soon as any
  // match is certain; its span is then unspecified. Also nullopt when over
  // the condition for a handover (see Cache::hand_over_when).
  std::optional<Span> find(std::string_view text, std::size_t from, const Prefilter* prefilter,
                           bool earliest, Cache& cache) const;

 private:
  class Looks;
  static bool handing_over(const Cache::Handover& h, const Cache::Threads& threads, std::size_t pos,
                           std::size_t len, std::size_t& young_bytes);
  void add(Cache::Threads& list, std::vector<nfa::StateId>& stack, nfa::StateId id, std::size_t start,
           std::size_t pos, Looks& looks) const;

  const nfa::Nfa* nfa_;
};

}  // namespace kc::regex::fallback
