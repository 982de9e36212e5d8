#include "ui/lang_dialog.h"

#include "ui/display_scale.h"
#include "ui/skin_hook.h"

HFONT g_hDialogFont = nullptr;

namespace {
BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
  ::SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}
}  // namespace

BOOL CLangDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(g_hDialogFont), FALSE);
  // The skinning gives the windows that carry this mark the bitmap background.
  ::SetPropA(m_hWnd, kOwnDialogProperty, reinterpret_cast<HANDLE>(1));
  m_pictures.Scale(m_hWnd, SystemDisplayScale());
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
    case WM_DESTROY:
      // A window must lose the properties it was given before it is destroyed.
      ::RemovePropA(m_hWnd, kOwnDialogProperty);
      m_pictures.Restore();
      return false;
    default:
      return false;
  }
}

void CLangDialog::OnSetFont() {
  ::EnumChildWindows(m_hWnd, &SetChildFont, reinterpret_cast<LPARAM>(g_hDialogFont));
}
