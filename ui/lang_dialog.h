// The base of the program's own dialogs: the dialog and every control in it use the language
// pack's font (g_hDialogFont), or the system font when the pack has none, the window carries
// the mark that gives it the skinned background while it exists, and its bitmap controls show
// their pictures at the display scale.
#pragma once
#include <windows.h>

#include "framework/dialog.h"
#include "ui/scaled_pictures.h"

// The dialogs' font, set from the language pack after it loads (may be null). The pack owns it.
extern HFONT g_hDialogFont;

class CLangDialog : public CDialog {
public:
  CLangDialog(UINT templateId, HWND parent) : CDialog(templateId, parent) {}

protected:
  // The base initialisation, then WM_SETFONT with g_hDialogFont to the dialog itself, which
  // spreads the font to every control that exists by then; then the own-dialog mark, and the
  // bitmap controls' pictures at the system's display scale.
  BOOL OnInitDialog() override;
  // Answers WM_GETFONT with g_hDialogFont and handles WM_SETFONT through OnSetFont; takes the
  // own-dialog mark off the window and gives the bitmap controls their own pictures back as it
  // is destroyed (and leaves WM_DESTROY unhandled).
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Sends WM_SETFONT with g_hDialogFont (no redraw) to every child window, whatever font the
  // dialog itself was given.
  void OnSetFont();

private:
  CScaledPictures m_pictures;
};
