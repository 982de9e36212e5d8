// The base of the program's dialogs: the dialog and every control in it use the language
// pack's font (g_hDialogFont), or the system font when the pack has none.
#pragma once
#include "framework/dialog.h"

class CLangDialog : public CDialog {
public:
  CLangDialog(UINT templateId, HWND parent) : CDialog(templateId, parent) {}

protected:
  // The base initialisation, then WM_SETFONT with g_hDialogFont to the dialog itself, which
  // spreads the font to every control that exists by then.
  BOOL OnInitDialog() override;
  // Answers WM_GETFONT with g_hDialogFont and handles WM_SETFONT through OnSetFont.
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Sends WM_SETFONT with g_hDialogFont (no redraw) to every child window, whatever font the
  // dialog itself was given.
  void OnSetFont();
};
