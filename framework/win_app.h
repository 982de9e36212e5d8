// The application object: one global instance; the entry point calls InitInstance, then
// ExitInstance (there is never a main window, so no message loop runs in between).
#pragma once
#include <windows.h>

class CWinApp {
public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance();
  // Returns the process exit code.
  virtual int ExitInstance();

  // Runs the whole program: InitInstance, then ExitInstance on every path.
  int Run(HINSTANCE instance);

  // The one application object of the process, or null when none was constructed.
  static CWinApp* GetApp();

  HINSTANCE m_hInstance = nullptr;
};
