// Shared helpers of the fuzz targets: turning arbitrary bytes into the inputs
// the kernels accept (the binding only ever hands them valid UTF-8), cutting
// one input into several, and failing loudly when a property breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace kc::fuzz {

// The length of the well-formed UTF-8 sequence at s[i] (no overlongs, no
// surrogates, nothing above U+10FFFF), or 0 when the bytes there form none.
inline std::size_t utf8_sequence_length(std::string_view s, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const auto cont = [&](std::size_t k) { return i + k < s.size() && (at(k) & 0xC0) == 0x80; };
  const unsigned char b0 = at(0);
  if (b0 < 0x80) return 1;
  if (b0 < 0xC2) return 0;
  if (b0 < 0xE0) return cont(1) ? 2 : 0;
  if (b0 < 0xF0) {
    if (!cont(1) || !cont(2)) return 0;
    if (b0 == 0xE0 && at(1) < 0xA0) return 0;  // overlong
    if (b0 == 0xED && at(1) >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (b0 < 0xF5) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    if (b0 == 0xF0 && at(1) < 0x90) return 0;  // overlong
    if (b0 == 0xF4 && at(1) >= 0x90) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

inline bool is_valid_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = utf8_sequence_length(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// `bytes` with every byte that starts no well-formed sequence replaced by
// U+FFFD, so that mutated inputs keep reaching the kernels.
inline std::string to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = utf8_sequence_length(bytes, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      i += 1;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

// `s` cut at every `sep`, into at most `max_parts` parts (the last keeps the
// remaining separators).
inline std::vector<std::string_view> split(std::string_view s, char sep, std::size_t max_parts) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < max_parts) {
    const std::size_t at = s.find(sep);
    if (at == std::string_view::npos) break;
    parts.push_back(s.substr(0, at));
    s.remove_prefix(at + 1);
  }
  parts.push_back(s);
  return parts;
}

// Reports a broken property and aborts, which libFuzzer records as a crash.
[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz property failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

inline void check(bool ok, const std::string& what) {
  if (!ok) fail(what);
}

// A byte string shown with escapes, for failure messages.
inline std::string escaped(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out + "\"";
}

}  // namespace kc::fuzz
