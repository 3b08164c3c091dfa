// First-byte prefilter for the Pike VM.
#include "regex/fallback/first_bytes.h"

#include <cstring>
#include <vector>

namespace kc::regex::fallback {

namespace {

unsigned char lead_byte(char32_t c) {
  if (c < 0x80) return static_cast<unsigned char>(c);
  if (c < 0x800) return static_cast<unsigned char>(0xC0 | (c >> 6));
  if (c < 0x10000) return static_cast<unsigned char>(0xE0 | (c >> 12));
  return static_cast<unsigned char>(0xF0 | (c >> 18));
}

// Marks the lead bytes of [lo, hi]: within one encoding length the lead byte
// grows with the code point.
void mark_range(char32_t lo, char32_t hi, std::array<bool, 256>& first) {
  for (char32_t last : {char32_t{0x7F}, char32_t{0x7FF}, char32_t{0xFFFF}, char32_t{0x10FFFF}}) {
    if (lo > hi) return;
    if (lo > last) continue;
    char32_t end = hi < last ? hi : last;
    for (unsigned b = lead_byte(lo); b <= lead_byte(end); ++b) first[b] = true;
    lo = last + 1;
  }
}

}  // namespace

std::unique_ptr<FirstBytePrefilter> FirstBytePrefilter::build(const nfa::Nfa& nfa) {
  if (nfa.can_match_empty) return nullptr;
  auto out = std::make_unique<FirstBytePrefilter>();
  std::vector<bool> seen(nfa.states.size(), false);
  std::vector<nfa::StateId> stack{nfa.start};
  while (!stack.empty()) {
    nfa::StateId id = stack.back();
    stack.pop_back();
    if (seen[id]) continue;
    seen[id] = true;
    const nfa::State& s = nfa.states[id];
    switch (s.op) {
      case nfa::Op::Range:
        mark_range(s.lo, s.hi, out->first_);
        break;
      case nfa::Op::Class:
        for (const hir::ClassRange& r : nfa.classes[s.cls].ranges) mark_range(r.lo, r.hi, out->first_);
        break;
      case nfa::Op::Split:
        stack.push_back(s.out1);
        stack.push_back(s.out);
        break;
      case nfa::Op::Jump:
      case nfa::Op::Look:
        stack.push_back(s.out);
        break;
      case nfa::Op::Match:
        return nullptr;
    }
  }
  int count = 0;
  for (int b = 0; b < 256; ++b) {
    if (!out->first_[b]) continue;
    ++count;
    out->single_ = b;
  }
  if (count > kMaxBytes) return nullptr;
  if (count != 1) out->single_ = -1;
  return out;
}

std::optional<std::size_t> FirstBytePrefilter::next_start(std::string_view text, std::size_t from,
                                                         std::size_t* work) const {
  if (single_ >= 0) {
    const void* p = std::memchr(text.data() + from, single_, text.size() - from);
    std::size_t end = p ? static_cast<std::size_t>(static_cast<const char*>(p) - text.data()) : text.size();
    *work += end - from;
    if (p == nullptr) return std::nullopt;
    return end;
  }
  for (std::size_t i = from; i < text.size(); ++i) {
    if (first_[static_cast<unsigned char>(text[i])]) {
      *work += i - from;
      return i;
    }
  }
  *work += text.size() - from;
  return std::nullopt;
}

}  // namespace kc::regex::fallback
