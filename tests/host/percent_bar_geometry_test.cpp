#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "ui/percent_bar_geometry.h"

namespace {

TEST(PercentBarGeometry, FilledLengthTruncatesAndStaysInsideTheBar) {
  struct Case { int pos, width, filled; } cases[] = {
      {0, 7, 0},     {50, 7, 3},     {100, 7, 7},    {150, 7, 7},     {-10, 7, 0},
      {1, 99, 0},    {99, 100, 99},  {50, 176, 88},  {33, 176, 58},   {101, 176, 176},
      {50, 0, 0},    {50, -5, 0},    {INT_MAX, 300, 300},            {INT_MIN, 300, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.filled, PercentBarFilledLength(c.pos, c.width)) << c.pos << " on " << c.width;
}

TEST(PercentBarGeometry, TextStartsTwentyPixelsLeftOfTheMiddle) {
  struct Case { int width, x; } cases[] = {{200, 80}, {201, 80}, {7, -17}, {0, -20}, {40, 0}};
  for (const Case& c : cases) EXPECT_EQ(c.x, PercentBarTextX(c.width)) << c.width;
}

TEST(PercentBarGeometry, TextIsNumberBlankPercent) {
  struct Case { int pos; const char* text; } cases[] = {
      {0, "0 %"}, {50, "50 %"}, {100, "100 %"}, {-10, "-10 %"}, {INT_MIN, "-2147483648 %"}};
  for (const Case& c : cases) {
    char buffer[32];
    const int length = FormatPercentText(c.pos, buffer, sizeof(buffer));
    EXPECT_EQ(std::string(c.text), buffer);
    EXPECT_EQ(static_cast<int>(std::string(c.text).size()), length);
  }
}

TEST(PercentBarGeometry, TextIsCutToASmallBuffer) {
  char buffer[4];
  EXPECT_EQ(3, FormatPercentText(1000, buffer, sizeof(buffer)));
  EXPECT_EQ(std::string("100"), buffer);
  EXPECT_EQ(0, FormatPercentText(5, nullptr, 10));
}

}  // namespace
