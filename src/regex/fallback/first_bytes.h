// Skipping to the bytes a match can begin with.
//
// The Pike VM steps through every character while no thread is alive; for a
// pattern that can only begin with a few bytes (ŵ\P{Han}{1000,} begins with
// 0xC5) a byte scan finds the next possible start far faster.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "regex/fallback/pikevm.h"
#include "regex/nfa/nfa.h"

namespace kc::regex::fallback {

class FirstBytePrefilter final : public Prefilter {
 public:
  // The lead bytes of every character a match of `nfa` can begin with
  // (assertions taken to hold), or null when a match can be empty or more
  // than kMaxBytes lead bytes qualify.
  static std::unique_ptr<FirstBytePrefilter> build(const nfa::Nfa& nfa);

  // At most this many distinct first bytes: more would stop the scan too often.
  static constexpr int kMaxBytes = 8;

  // The first offset at or after `from` holding one of the bytes.
  std::optional<std::size_t> next_start(std::string_view text, std::size_t from, std::size_t* work) const override;

 private:
  std::array<bool, 256> first_{};
  int single_ = -1;  // the only byte, if there is one: memchr finds it
};

}  // namespace kc::regex::fallback
