// partial_ratio against its literal transcription, and its symmetry.
//
// Input: two texts separated by a NUL byte (made valid UTF-8).
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "motif_matching/partial_ratio.h"
#include "motif_oracles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = kc::fuzz::to_utf8({reinterpret_cast<const char*>(data), size});
  const auto parts = kc::fuzz::split(input, '\0', 2);
  std::string_view a = parts[0], b;
  if (parts.size() > 1) {
    b = parts[1];
  } else {  // one text: its second half against the whole
    std::size_t half = a.size() / 2;
    while (half < a.size() && (static_cast<unsigned char>(a[half]) & 0xC0) == 0x80) ++half;
    b = a.substr(half);
  }
  const std::uint32_t got = kc::motif_matching::partial_ratio(a, b);
  const std::uint32_t want = kc::testing_oracles::oracle_partial_ratio(a, b);
  if (got != want)
    kc::fuzz::fail("partial_ratio " + std::to_string(got) + " transcription " + std::to_string(want) + " for " +
                   kc::fuzz::escaped(a) + " " + kc::fuzz::escaped(b));
  kc::fuzz::check(kc::motif_matching::partial_ratio(b, a) == got,
                  "partial_ratio not symmetric for " + kc::fuzz::escaped(a) + " " + kc::fuzz::escaped(b));
  return 0;
}
