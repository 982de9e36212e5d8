// The progress animation of one phase: a thread that moves the progress dialog's two bars on
// the timetable while a long step reports nothing itself. It is stopped cooperatively and joined,
// so once Stop returns no value of it can reach a bar.
#pragma once
#include <windows.h>

#include "framework/handles.h"
#include "framework/worker_thread.h"

class CProgressDlg;

class CProgressAnimation {
public:
  explicit CProgressAnimation(CProgressDlg& dialog);
  ~CProgressAnimation() { Stop(); }
  CProgressAnimation(const CProgressAnimation&) = delete;
  CProgressAnimation& operator=(const CProgressAnimation&) = delete;

  // Sets the dialog's tick and span, then starts the thread (stopping a running one first).
  void Start(int tickMs, int span);
  // Stops the thread and waits for it.
  void Stop();

private:
  friend unsigned __stdcall AnimateProgressThread(void* param);
  CProgressDlg& m_dialog;
  ScopedHandle m_stop;  // manual-reset event: set to stop the thread
  CWorkerThread m_thread;
};

// The animation thread's procedure; its parameter is the CProgressAnimation.
unsigned __stdcall AnimateProgressThread(void* param);
