#include "procedures/animation_timetable.h"

void AnimationTimetable::Tick() {
  ++ticks;
  int ticksPerStep;
  if (step < 50) ticksPerStep = 2;
  else if (step < 120) ticksPerStep = 5;
  else if (step < 198) ticksPerStep = 10;
  else return;
  if (ticks >= ticksPerStep) {
    ticks = 0;
    ++step;
  }
}
