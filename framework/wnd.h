// A window object attached to an existing window by subclassing (the way dialog controls get
// their own message handling). The object never creates or destroys the window.
#pragma once
#include <windows.h>

#include "framework/window.h"

class CWnd : public CWindow {
public:
  CWnd() = default;
  virtual ~CWnd();

  // Routes the window's messages through WindowProc. False when the window is null, already
  // attached to another object, or this object is already attached.
  bool SubclassWindow(HWND hwnd);
  bool SubclassDlgItem(int id, HWND parent) { return SubclassWindow(::GetDlgItem(parent, id)); }
  // Gives the window its previous procedure back; returns it, or null when none was attached.
  HWND UnsubclassWindow();

protected:
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The window's previous procedure.
  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  WNDPROC m_oldProc = nullptr;
};
