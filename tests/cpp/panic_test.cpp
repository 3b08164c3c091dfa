#include "util/panic.h"

#include <gtest/gtest.h>

TEST(Panic, CarriesItsMessage) {
  try {
    kc::panic("slice index starts at 5 but ends at 3");
    FAIL() << "panic returned";
  } catch (const kc::Panic& p) {
    EXPECT_STREQ(p.what(), "slice index starts at 5 but ends at 3");
  }
}
