#include <gtest/gtest.h>

#include <climits>

#include "ui/skin_color.h"

namespace {

constexpr SkinColor Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

TEST(RoundedMulDiv, RoundsHalvesAwayFromZeroAndReportsOverflow) {
  struct Case { int a, b, c, expected; } cases[] = {
      {50, 255, 100, 128},        // 127.5 rounds up
      {49, 255, 100, 125},        // 124.95
      {1, 1, 3, 0},               // 0.33
      {2, 1, 3, 1},               // 0.67
      {-50, 255, 100, -128},      // -127.5 rounds away from zero
      {50, -255, 100, -128},
      {-50, -255, 100, 128},
      {50, 255, -100, -128},      // a negative divisor flips the sign
      {-50, 255, -100, 128},
      {0, -7, 3, 0},
      {7, 0, -3, 0},
      {5, 5, 0, -1},              // division by zero
      {INT_MAX, 2, 1, -1},        // too large for 32 bits
      {INT_MIN, 1, 1, -1},        // -2^31 is outside what is answered
      {INT_MIN, 1, -1, -1},       // negating -2^31 must not overflow
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
      {INT_MIN + 1, 1, 1, INT_MIN + 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, RoundedMulDiv(c.a, c.b, c.c)) << c.a << " * " << c.b << " / " << c.c;
}

TEST(BlendColor, MixesEachChannelTowardsTheTarget) {
  const SkinColor white = Rgb(255, 255, 255), black = 0;
  const SkinColor steelBlue = Rgb(180, 210, 235);
  struct Case { SkinColor start, target; int percentage; SkinColor expected; } cases[] = {
      {black, white, 50, Rgb(128, 128, 128)},    // 127.5 rounds up
      {white, black, 50, Rgb(127, 127, 127)},    // 255 - 128
      {black, white, 0, black},
      {black, white, 100, white},
      {white, steelBlue, 0, white},
      {white, steelBlue, 100, steelBlue},
      {white, steelBlue, 50, Rgb(217, 232, 245)},  // 37.5 and 22.5 round up before subtracting
      // Channels move independently: red up, green down, blue unchanged.
      {Rgb(10, 200, 77), Rgb(110, 100, 77), 30, Rgb(40, 170, 77)},
      // Blue is bits 16..23, red bits 0..7.
      {Rgb(0, 0, 0), Rgb(0, 0, 200), 50, Rgb(0, 0, 100)},
      {Rgb(0, 0, 0), Rgb(200, 0, 0), 50, Rgb(100, 0, 0)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, BlendColor(c.start, c.target, c.percentage))
        << std::hex << c.start << " -> " << c.target << " at " << std::dec << c.percentage;
}

TEST(BlendColor, AColourBlendedTowardsItselfStaysItself) {
  const SkinColor colours[] = {0, Rgb(255, 255, 255), Rgb(193, 221, 246), Rgb(1, 2, 3)};
  const int percentages[] = {0, 1, 50, 99, 100, 150, 1000, -40};
  for (SkinColor c : colours)
    for (int p : percentages) EXPECT_EQ(c, BlendColor(c, c, p)) << std::hex << c << " at " << p;
}

TEST(BlendColor, CarriesOnPastTheTargetAndWrapsEachChannel) {
  struct Case { SkinColor start, target; int percentage; SkinColor expected; } cases[] = {
      // 200 percent of the way from white to the middle colour: as far again beyond it.
      {Rgb(255, 255, 255), Rgb(180, 210, 235), 200, Rgb(105, 165, 215)},
      // Upwards past 255: 100 + 300 * 100 / 100 = 400, low byte 144.
      {Rgb(100, 0, 0), Rgb(200, 0, 0), 300, Rgb(144, 0, 0)},
      // Downwards past 0: 10 - 3 * 100 = -290, low byte 222.
      {Rgb(0, 10, 0), Rgb(0, 0, 0), 3000, Rgb(0, 222, 0)},
      // Blue wrapping must not spill into bits 24..31.
      {Rgb(0, 0, 239), Rgb(0, 0, 255), 200, Rgb(0, 0, 15)},
      // A negative percentage moves away from the target.
      {Rgb(100, 100, 100), Rgb(200, 50, 100), -10, Rgb(90, 105, 100)},
  };
  for (const Case& c : cases) {
    const SkinColor mixed = BlendColor(c.start, c.target, c.percentage);
    EXPECT_EQ(c.expected, mixed) << std::hex << c.start << " -> " << c.target << " at "
                                 << std::dec << c.percentage;
    EXPECT_EQ(0u, mixed >> 24);
  }
}

}  // namespace
