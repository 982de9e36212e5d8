#include <gtest/gtest.h>

#include "procedures/animation_timetable.h"

namespace {

int StepPosAfter(int ticks) {
  AnimationTimetable t;
  for (int i = 0; i < ticks; ++i) t.Tick();
  return t.StepPos();
}

TEST(AnimationTimetable, SlowsDownAndStopsAt99) {
  EXPECT_EQ(0, StepPosAfter(0));
  EXPECT_EQ(0, StepPosAfter(3));    // step 1
  EXPECT_EQ(1, StepPosAfter(4));    // step 2
  EXPECT_EQ(25, StepPosAfter(100));  // 50 steps of 2 ticks
  EXPECT_EQ(60, StepPosAfter(450));  // then 70 steps of 5 ticks
  EXPECT_EQ(98, StepPosAfter(1220));
  EXPECT_EQ(99, StepPosAfter(1230));  // then 78 steps of 10 ticks
  EXPECT_EQ(99, StepPosAfter(5000));
}

TEST(AnimationTimetable, TotalCreepsFromBaseTowardBasePlusSpan) {
  AnimationTimetable t;
  EXPECT_EQ(40, t.TotalPos(40, 60));
  for (int i = 0; i < 100000; ++i) t.Tick();
  EXPECT_EQ(198, t.step);
  EXPECT_EQ(40 + 60 * 198 / 200, t.TotalPos(40, 60));  // never quite base + span
  EXPECT_EQ(0 + 30 * 198 / 200, t.TotalPos(0, 30));
  EXPECT_EQ(5 - 99, t.TotalPos(5, -100));  // a negative span truncates toward zero
}

}  // namespace
