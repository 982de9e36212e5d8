// What every window object of the program has: the handle of the window it works on while it
// is attached (null otherwise). The derived class attaches and detaches it; it is never copied.
#pragma once
#include <windows.h>

class CWindow {
public:
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

protected:
  CWindow() = default;
  ~CWindow() = default;

  HWND m_hWnd = nullptr;
};
