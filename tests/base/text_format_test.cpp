#include "base/text_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

using korvex::DecimalText;
using korvex::FormatText;

TEST(DecimalText, WritesEveryDigitAndTheSign) {
  EXPECT_STREQ(DecimalText(0).c_str(), "0");
  EXPECT_STREQ(DecimalText(-7).c_str(), "-7");
  EXPECT_STREQ(DecimalText(4294967295).c_str(), "4294967295");
  EXPECT_EQ(DecimalText(std::numeric_limits<int64_t>::max()).view(), "9223372036854775807");
  EXPECT_EQ(DecimalText(std::numeric_limits<int64_t>::min()).view(), "-9223372036854775808");
}

TEST(FormatText, ReplacesConversionsInTurnAndCutsToFit) {
  char out[64];
  EXPECT_EQ(FormatText(out, sizeof out, "a %lld b %s c %d%%", {"1", "two"}), 13u);
  EXPECT_STREQ(out, "a 1 b two c %");

  // Five bytes and the terminator; the byte after them stays untouched.
  char small[7] = {'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(FormatText(small, 6, "<%s>", {"abcdef"}), 5u);
  EXPECT_STREQ(small, "<abcd");
  EXPECT_EQ(small[6], 'x');
}

}  // namespace
