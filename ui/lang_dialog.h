// The base of the program's dialogs: the dialog and every control in it use the language
// pack's font (g_hDialogFont), or the system font when the pack has none.
#pragma once
#include "framework/dialog.h"

class CLangDialog : public CDialog {
public:
  CLangDialog(UINT templateId, HWND parent) : CDialog(templateId, parent) {}

protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Spreads the font to every child window.
  void OnSetFont(HFONT font);
};
