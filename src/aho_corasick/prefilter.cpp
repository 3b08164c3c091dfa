// Choice of the byte set and the vectorised scan behind BytePrefilter.
#include "aho_corasick/prefilter.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kc::aho_corasick {

namespace {

// A set that is expected in more than this many bytes per 10,000 makes the
// scan stop so often that stepping the automaton is cheaper.
constexpr std::uint32_t kMaxSetFrequency = 400;

constexpr std::array<std::uint32_t, 256> make_frequencies() {
  std::array<std::uint32_t, 256> f{};
  for (int b = 0; b < 256; ++b) f[b] = 1;
  // Lower-case English letters, a through z.
  constexpr std::uint32_t letters[26] = {650, 120, 220, 340, 1000, 180, 160, 480, 560,
                                         12,  60,  320, 190, 540,  600, 150, 8,   480,
                                         500, 720, 220, 80,  190,  12,  160, 6};
  for (int i = 0; i < 26; ++i) f['a' + i] = letters[i];
  for (int b = 'A'; b <= 'Z'; ++b) f[b] = 20;
  for (int b = '0'; b <= '9'; ++b) f[b] = 20;
  for (int b = 0x21; b < 0x7F; ++b)
    if (f[b] == 1) f[b] = 10;
  f[' '] = 1500;
  f['.'] = 80;
  f[','] = 80;
  f['\''] = 30;
  f['"'] = 20;
  f['\n'] = 50;
  f['\t'] = 10;
  f['\r'] = 10;
  // UTF-8: continuation bytes and lead bytes of accented Latin and punctuation.
  for (int b = 0x80; b < 0xC0; ++b) f[b] = 30;
  for (int b = 0xC2; b < 0xF5; ++b) f[b] = 10;
  f[0xC3] = 30;
  f[0xE2] = 20;
  for (int b = 0xF0; b < 0xF5; ++b) f[b] = 3;
  // Never part of UTF-8.
  f[0xC0] = f[0xC1] = 0;
  for (int b = 0xF5; b < 0x100; ++b) f[b] = 0;
  return f;
}

constexpr std::array<std::uint32_t, 256> kFrequencies = make_frequencies();

// First index >= at of any byte of `set` (1 to kMaxBytes bytes), or len.
std::size_t find_any(const unsigned char* text, std::size_t at, std::size_t len,
                     const std::vector<unsigned char>& set) {
  if (set.size() == 1) {
    const void* hit = std::memchr(text + at, set[0], len - at);
    return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - text) : len;
  }
  std::size_t i = at;
#if defined(__SSE2__)
  __m128i needles[BytePrefilter::kMaxBytes];
  const std::size_t k = set.size();
  for (std::size_t j = 0; j < k; ++j) needles[j] = _mm_set1_epi8(static_cast<char>(set[j]));
  for (; i + 16 <= len; i += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    __m128i hits = _mm_cmpeq_epi8(chunk, needles[0]);
    for (std::size_t j = 1; j < k; ++j) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(chunk, needles[j]));
    const int mask = _mm_movemask_epi8(hits);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < len; ++i)
    if (std::find(set.begin(), set.end(), text[i]) != set.end()) return i;
  return len;
}

}  // namespace

std::uint32_t byte_frequency(unsigned char b) { return kFrequencies[b]; }

std::optional<BytePrefilter> BytePrefilter::with_bytes(const std::vector<std::string_view>& patterns,
                                                       bool first_bytes, std::uint32_t& set_frequency) {
  BytePrefilter pf;
  std::array<bool, 256> in_set{};
  set_frequency = 0;
  for (std::string_view p : patterns) {
    if (p.empty()) return std::nullopt;
    // The rarest byte; its first occurrence keeps the backward jump short.
    std::size_t best = 0;
    for (std::size_t i = 1; i < p.size() && !first_bytes; ++i)
      if (kFrequencies[static_cast<unsigned char>(p[i])] < kFrequencies[static_cast<unsigned char>(p[best])])
        best = i;
    const auto b = static_cast<unsigned char>(p[best]);
    pf.max_offset_ = std::max(pf.max_offset_, best);
    if (!in_set[b]) {
      in_set[b] = true;
      pf.bytes_.push_back(b);
      set_frequency += kFrequencies[b];
      if (pf.bytes_.size() > kMaxBytes || set_frequency > kMaxSetFrequency) return std::nullopt;
    }
  }
  return pf;
}

std::optional<BytePrefilter> BytePrefilter::build(const std::vector<std::string_view>& patterns) {
  if (patterns.empty()) return std::nullopt;
  // Rare bytes usually win; first bytes when the patterns share a few
  // starts but their rarest bytes are spread over too many values.
  std::uint32_t rare_frequency = 0, first_frequency = 0;
  auto rare = with_bytes(patterns, false, rare_frequency);
  auto first = with_bytes(patterns, true, first_frequency);
  if (rare && (!first || rare_frequency <= first_frequency)) return rare;
  return first;
}

std::size_t BytePrefilter::next(const unsigned char* text, std::size_t at, std::size_t len) const {
  // A match starting at s holds its pattern's rare byte at s + offset, offset
  // <= max_offset_, so no match starts before (first rare byte) - max_offset_.
  const std::size_t hit = find_any(text, at, len, bytes_);
  if (hit == len) return len;
  return hit - at > max_offset_ ? hit - max_offset_ : at;
}

}  // namespace kc::aho_corasick
