// The timetable of the progress animation: the step bar creeps toward 99 and slows down as it
// goes, the total bar creeps from where the phase began toward base + span.
#pragma once

struct AnimationTimetable {
  int ticks = 0;  // ticks since the step last grew
  int step = 0;   // 0..198; the step bar shows step / 2

  // One tick: the step grows every 2 ticks below 50, every 5 below 120, every 10 below 198,
  // and not at all from 198 on.
  void Tick();
  int StepPos() const { return step / 2; }
  int TotalPos(int base, int span) const { return base + span * step / 200; }
};
