#include "ui/lang_dialog.h"

#include "app/uninstall_app.h"

namespace {
BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
  ::SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}
}  // namespace

BOOL CLangDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(g_hDialogFont), FALSE);
  return TRUE;
}

bool CLangDialog::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
  switch (msg) {
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(g_hDialogFont);
      return true;
    case WM_SETFONT:
      OnSetFont();
      result = 0;
      return true;
    default:
      return false;
  }
}

void CLangDialog::OnSetFont() {
  ::EnumChildWindows(m_hWnd, &SetChildFont, reinterpret_cast<LPARAM>(g_hDialogFont));
}
