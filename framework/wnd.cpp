#include "framework/wnd.h"

namespace {
// The property that ties a subclassed window to its object.
const char kObjectProperty[] = "Uninstall.CWnd";
}

CWnd::~CWnd() { UnsubclassWindow(); }

bool CWnd::SubclassWindow(HWND hwnd) {
  if (!hwnd || m_hWnd || ::GetPropA(hwnd, kObjectProperty)) return false;
  m_hWnd = hwnd;
  ::SetPropA(hwnd, kObjectProperty, this);
  m_oldProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
  return true;
}

HWND CWnd::UnsubclassWindow() {
  HWND hwnd = m_hWnd;
  if (!hwnd) return nullptr;
  // Someone may have subclassed the window after us; only undo our own link when we are on top.
  if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) == &CWnd::SubclassProc)
    ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
  ::RemovePropA(hwnd, kObjectProperty);
  m_hWnd = nullptr;
  return hwnd;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(msg, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_oldProc) return ::CallWindowProcA(m_oldProc, m_hWnd, msg, wParam, lParam);
  return ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWnd* self = static_cast<CWnd*>(::GetPropA(hwnd, kObjectProperty));
  if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    WNDPROC old = self->m_oldProc;
    self->UnsubclassWindow();
    self->m_oldProc = nullptr;
    return ::CallWindowProcA(old, hwnd, msg, wParam, lParam);
  }
  return self->WindowProc(msg, wParam, lParam);
}
