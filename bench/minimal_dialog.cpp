// The anchor of the first-window benchmark: a Win32 program that shows one small dialog and
// does nothing else.
#include <windows.h>

#include "bench/minimal_dialog_res.h"

namespace {
INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return message == WM_INITDIALOG;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return static_cast<int>(::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MINIMAL), nullptr, &DialogProc, 0));
}
