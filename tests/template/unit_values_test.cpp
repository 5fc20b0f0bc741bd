// Arithmetic on values a program or a template may set to anything: font
// sizes and property numbers at the ends of the int32 range. The host build
// runs these under UndefinedBehaviorSanitizer, which stops at an overflow.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "forms/properties.h"
#include "forms/template_format.h"

namespace korvex::forms {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// Read through a volatile so that no value is folded at compile time.
int32_t Opaque(int32_t v) {
  volatile int32_t held = v;
  return held;
}

TEST(FontSizeTest, PointsOfTheUsualHeights) {
  // 96 dpi: 16 pixels are 12 points; a cell height counts like a character height.
  EXPECT_EQ(FontPoints(Opaque(-16), 96), 12);
  EXPECT_EQ(FontPoints(Opaque(16), 96), 12);
  // 9 points is 12 pixels; the rounding is half away from zero as MulDiv's.
  EXPECT_EQ(FontHeightForPoints(Opaque(9), 96), -12);
  EXPECT_EQ(FontPoints(Opaque(-13), 96), 10);  // 9.75
  EXPECT_EQ(FontPoints(Opaque(-12), 120), 7);  // 7.2
  for (int32_t points = 1; points <= 72; ++points)
    EXPECT_EQ(FontPoints(FontHeightForPoints(Opaque(points), 96), 96), points) << points;
}

TEST(FontSizeTest, ExtremeHeightsAndSizesStayInRange) {
  // The magnitude of the most negative height is 2^31 pixels: 2^31 * 72 / 96.
  EXPECT_EQ(FontPoints(Opaque(kMin), 96), 1610612736);
  EXPECT_EQ(FontPoints(Opaque(kMax), 96), 1610612735);
  // Sizes whose height does not fit are clamped; sizes below 1 point are 1 point.
  EXPECT_EQ(FontHeightForPoints(Opaque(kMax), 96), -kMax);
  EXPECT_EQ(FontHeightForPoints(Opaque(kMin), 96), FontHeightForPoints(1, 96));
  EXPECT_EQ(FontPoints(Opaque(kMin), 1), kMax);
  // A screen that reports no resolution counts as 96 dpi.
  EXPECT_EQ(FontPoints(Opaque(-16), 0), 12);
}

TEST(PropertyNumberTest, UnitTypeNumbersStartAtEight) {
  int32_t number = -1;
  EXPECT_TRUE(UnitTypePropertyNumber(Opaque(8), &number));
  EXPECT_EQ(number, 0);
  EXPECT_TRUE(UnitTypePropertyNumber(Opaque(kMax), &number));
  EXPECT_EQ(number, kMax - 8);
  // The common properties and every number below them, the smallest included.
  for (int32_t property : {7, 0, -1, kMin + 7, kMin}) {
    number = -1;
    EXPECT_FALSE(UnitTypePropertyNumber(Opaque(property), &number)) << property;
    EXPECT_EQ(number, -1);
  }
}

}  // namespace
}  // namespace korvex::forms
