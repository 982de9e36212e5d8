// The dialog the user watches while a worker thread removes the client. The worker sets the
// status text and moves two percent bars from its own thread; a 100 ms timer on the dialog's
// thread copies the status text into the window. Nobody but the worker can close it: Enter,
// Escape, Cancel, the window's close command and a WM_CLOSE from anyone else (Task Manager's End
// Task, taskkill) are swallowed, and only the worker's own WM_CLOSE ends the modal run.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>

#include "framework/handles.h"
#include "framework/sync.h"
#include "ui/lang_dialog.h"
#include "ui/percent_bar.h"

class CLanguagePack;

class CProgressDlg : public CLangDialog {
public:
  // Template IDD_PROGRESS, or IDD_PROGRESS_SMALL, which has only the status text: the bar
  // operations then keep their values and draw nothing. The texts come from pack, which must
  // outlive the dialog.
  CProgressDlg(CLanguagePack& pack, UINT templateId, HWND parent = nullptr);

  // The operations the workers call, from any thread.
  void SetStepPos(int pos);
  // Redraws the total bar only when pos differs from its current position.
  void SetTotalPos(int pos);
  int GetTotalPos() const;
  // Shown by the next timer tick.
  void SetStatusText(const std::string& text);
  std::string GetStatusText() const;
  void SetAnimInterval(int milliseconds) { m_nAnimInterval.store(milliseconds); }
  int GetAnimInterval() const { return m_nAnimInterval.load(); }
  void SetAnimSpan(int points) { m_nAnimSpan.store(points); }
  int GetAnimSpan() const { return m_nAnimSpan.load(); }
  // Waits up to timeoutMs for the run to begin: the window initialised (its bars attached), or a
  // run without a window started. False when it did not begin, or was abandoned.
  bool WaitUntilRunning(DWORD timeoutMs) const;
  // Ends the run, from the worker: a synchronous WM_CLOSE to the window, which ends the modal
  // run; a run without a window returns. A window that comes up only after this ends at once.
  void Close();
  // Tells a worker waiting for the run that it will not begin (the window could not be made).
  void Abandon();

  // The run without any window, for a silent uninstall: the workers find the dialog running at
  // once, their bar and text calls only keep values, and Close returns from here.
  void RunHidden();

protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  bool PreTranslateMessage(MSG* msg) override;
  void OnOK() override {}  // only the worker ends the run
  void OnCancel() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  void OnTimer(UINT_PTR id);

  CLanguagePack& m_pack;
  HICON m_hIcon;  // shared resource icon (LoadIcon): never destroyed; null when missing
  CPercentBar m_totalBar;
  CPercentBar m_stepBar;
  mutable CCriticalSection m_statusLock;  // guards m_strStatus between the worker and the timer
  std::string m_strStatus;
  std::atomic<int> m_nAnimInterval{100};
  std::atomic<int> m_nAnimSpan{10};
  std::atomic<HWND> m_publishedWnd{nullptr};  // the initialised window, for the workers
  ScopedHandle m_running;    // set while a run is on (the window initialised, or a hidden run)
  ScopedHandle m_closed;     // set by Close: the worker ends the run
  ScopedHandle m_abandoned;  // set by Abandon: the run will not begin
};
