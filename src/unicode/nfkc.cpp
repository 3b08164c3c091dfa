// NFKC (see nfkc.h).
//
// The text is scanned with the NFKC_QC quick check. A character that is Yes
// and of combining class 0 is a boundary: nothing before it reorders or
// composes with anything from it on. Runs that pass the quick check are
// copied as bytes; around a failure, the stretch between the boundary before
// it and the next boundary is decomposed, reordered and recomposed.
#include "unicode/nfkc.h"

#include <algorithm>
#include <vector>

#include "unicode/tables.h"
#include "unicode/utf8.h"

namespace kc::unicode {
namespace {

constexpr char32_t kSBase = 0xAC00, kLBase = 0x1100, kVBase = 0x1161, kTBase = 0x11A7;
constexpr char32_t kLCount = 19, kVCount = 21, kTCount = 28;
constexpr char32_t kNCount = kVCount * kTCount, kSCount = kLCount * kNCount;

std::uint16_t norm_record(char32_t c) {
  return tables::kNormRecords[tables::two_stage(tables::kNormIndex, tables::kNormBlocks, c)];
}
std::uint8_t ccc_of(std::uint16_t record) { return static_cast<std::uint8_t>(record & 0xFF); }
std::uint16_t qc_of(std::uint16_t record) { return record >> tables::kQcShift; }
std::uint8_t ccc(char32_t c) { return c < 0x300 ? 0 : ccc_of(norm_record(c)); }

// One character of a segment: the code point and its combining class.
struct Mark {
  char32_t c;
  std::uint8_t ccc;
};

void decompose(char32_t c, std::vector<Mark>& buf) {
  if (c - kSBase < kSCount) {
    const char32_t s = c - kSBase;
    buf.push_back({kLBase + s / kNCount, 0});
    buf.push_back({kVBase + (s % kNCount) / kTCount, 0});
    if (s % kTCount != 0) buf.push_back({kTBase + s % kTCount, 0});
    return;
  }
  const std::uint16_t index = tables::two_stage(tables::kDecompIndex, tables::kDecompBlocks, c);
  if (index == 0) {
    buf.push_back({c, ccc(c)});
    return;
  }
  const char32_t* entry = tables::kDecompPool + index;
  for (char32_t k = 1; k <= entry[0]; ++k) buf.push_back({entry[k], ccc(entry[k])});
}

// Stable sort of every run of non-starters by combining class.
void reorder(std::vector<Mark>& buf) {
  const auto by_class = [](const Mark& a, const Mark& b) { return a.ccc < b.ccc; };
  std::size_t i = 0;
  while (i < buf.size()) {
    if (buf[i].ccc == 0) {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < buf.size() && buf[j].ccc != 0) ++j;
    if (j - i > 1) std::stable_sort(buf.begin() + i, buf.begin() + j, by_class);
    i = j;
  }
}

// The primary composite of (first, second), or 0.
char32_t compose_pair(char32_t first, char32_t second) {
  if (first - kLBase < kLCount && second - kVBase < kVCount) {
    return kSBase + ((first - kLBase) * kVCount + (second - kVBase)) * kTCount;
  }
  if (first - kSBase < kSCount && (first - kSBase) % kTCount == 0 && second - kTBase - 1 < kTCount - 1) {
    return first + (second - kTBase);
  }
  const tables::CompositionPair* begin = tables::kCompositions;
  const tables::CompositionPair* end = begin + tables::kCompositionCount;
  const auto* it = std::lower_bound(begin, end, std::pair{first, second},
                                    [](const tables::CompositionPair& p, const std::pair<char32_t, char32_t>& key) {
                                      return p.first != key.first ? p.first < key.first : p.second < key.second;
                                    });
  return it != end && it->first == first && it->second == second ? it->composite : 0;
}

// Canonical composition of `buf` in place (UAX #15), then UTF-8 into `out`.
void compose_and_append(std::vector<Mark>& buf, std::string& out) {
  if (buf.empty()) return;
  std::size_t starter = 0;
  // A segment that opens with a non-starter has nothing to compose with.
  int last_class = buf[0].ccc == 0 ? 0 : 256;
  std::size_t kept = 1;
  for (std::size_t i = 1; i < buf.size(); ++i) {
    const Mark m = buf[i];
    const bool unblocked = last_class == 0 ? kept - 1 == starter : last_class < m.ccc;
    if (last_class != 256 && unblocked && qc_of(norm_record(m.c)) == tables::kQcMaybe) {
      const char32_t composite = compose_pair(buf[starter].c, m.c);
      if (composite != 0) {
        buf[starter].c = composite;
        continue;
      }
    }
    if (m.ccc == 0) {
      starter = kept;
      last_class = 0;
    } else {
      last_class = m.ccc;
    }
    buf[kept++] = m;
  }
  for (std::size_t i = 0; i < kept; ++i) append_utf8(out, buf[i].c);
}

}  // namespace

void nfkc(std::string_view text, std::string& out) {
  out.reserve(out.size() + text.size());
  std::vector<Mark> buf;
  std::size_t copied = 0;    // text[..copied) is already in `out`
  std::size_t boundary = 0;  // start of the last boundary character seen
  std::uint8_t last_class = 0;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      // ASCII is always a boundary; skip the whole run.
      const std::size_t j = skip_ascii(text, i + 1);
      boundary = j - 1;
      last_class = 0;
      i = j;
      continue;
    }
    const std::size_t start = i;
    const char32_t c = decode_utf8(text, i);
    const std::uint16_t record = norm_record(c);
    const std::uint8_t cc = ccc_of(record);
    if (qc_of(record) == tables::kQcYes && (cc == 0 || cc >= last_class)) {
      if (cc == 0) boundary = start;
      last_class = cc;
      continue;
    }
    // Normalise from the last boundary up to the next one.
    std::size_t end = i;
    while (end < n) {
      std::size_t next = end;
      const std::uint16_t r = norm_record(decode_utf8(text, next));
      if (qc_of(r) == tables::kQcYes && ccc_of(r) == 0) break;
      end = next;
    }
    out.append(text.data() + copied, boundary - copied);
    buf.clear();
    for (std::size_t k = boundary; k < end;) decompose(decode_utf8(text, k), buf);
    reorder(buf);
    compose_and_append(buf, out);
    copied = boundary = i = end;
    last_class = 0;
  }
  out.append(text.data() + copied, n - copied);
}

}  // namespace kc::unicode
