#include "unicode/utf8.h"

#include <gtest/gtest.h>

namespace kc::unicode {
namespace {

TEST(UnicodeUtf8, EveryScalarValueRoundTrips) {
  std::string text;
  std::size_t scalars = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::size_t before = text.size();
    append_utf8(text, c);
    ASSERT_EQ(text.size() - before, utf8_length(c)) << std::hex << static_cast<std::uint32_t>(c);
    ++scalars;
  }
  EXPECT_EQ(count_chars(text), scalars);
  std::size_t i = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    ASSERT_EQ(static_cast<std::uint32_t>(decode_utf8(text, i)), static_cast<std::uint32_t>(c));
  }
  EXPECT_EQ(i, text.size());
}

TEST(UnicodeUtf8, EncodesLengthBoundaries) {
  const struct {
    char32_t c;
    const char* utf8;
  } cases[] = {{0x7F, "\x7F"},         {0x80, "\xC2\x80"},         {0x7FF, "\xDF\xBF"},
               {0x800, "\xE0\xA0\x80"}, {0xFFFF, "\xEF\xBF\xBF"},   {0x10000, "\xF0\x90\x80\x80"},
               {0x10FFFF, "\xF4\x8F\xBF\xBF"}};
  for (const auto& tc : cases) {
    std::string out = "x";
    append_utf8(out, tc.c);
    EXPECT_EQ(out, std::string("x") + tc.utf8);
  }
  EXPECT_EQ(count_chars(""), 0u);
  EXPECT_EQ(count_chars("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), 4u);
}

}  // namespace
}  // namespace kc::unicode
