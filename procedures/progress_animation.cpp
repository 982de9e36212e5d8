#include "procedures/progress_animation.h"

#include "procedures/animation_timetable.h"
#include "ui/progress_dlg.h"

CProgressAnimation::CProgressAnimation(CProgressDlg& dialog)
    : m_dialog(dialog), m_stop(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

void CProgressAnimation::Start(int tickMs, int span) {
  Stop();
  m_dialog.SetAnimInterval(tickMs);
  m_dialog.SetAnimSpan(span);
  ::ResetEvent(m_stop.Get());
  m_thread.Start(&AnimateProgressThread, this);
}

void CProgressAnimation::Stop() {
  ::SetEvent(m_stop.Get());
  m_thread.Join(INFINITE);
}

unsigned __stdcall AnimateProgressThread(void* param) {
  CProgressAnimation& self = *static_cast<CProgressAnimation*>(param);
  CProgressDlg& dialog = self.m_dialog;
  const int base = dialog.GetTotalPos();
  AnimationTimetable timetable;
  // Waiting on the stop event instead of sleeping lets the worker stop us between two ticks.
  while (::WaitForSingleObject(self.m_stop.Get(), static_cast<DWORD>(dialog.GetAnimInterval())) == WAIT_TIMEOUT) {
    timetable.Tick();
    dialog.SetStepPos(timetable.StepPos());
    dialog.SetTotalPos(timetable.TotalPos(base, dialog.GetAnimSpan()));
  }
  return 0;
}
