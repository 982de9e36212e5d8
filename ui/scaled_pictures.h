// The pictures of a dialog's bitmap controls (static controls with SS_BITMAP, which show their
// bitmap at its own pixel size while the dialog around them grows with the DPI), at the display
// scale: Scale gives each such control a smooth copy of its bitmap at the scaled size, which the
// control takes as its size; Restore gives every control its own bitmap back and frees the
// copies, and must run before the controls are destroyed (the dialog's WM_DESTROY).
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "framework/gdi.h"
#include "ui/display_scale.h"

class CScaledPictures {
public:
  CScaledPictures() = default;
  CScaledPictures(const CScaledPictures&) = delete;
  CScaledPictures& operator=(const CScaledPictures&) = delete;

  // Does nothing at the design scale.
  void Scale(HWND dialog, DisplayScale scale);
  void Restore();

private:
  struct Replacement {
    HWND control;
    HBITMAP original;   // the control's own bitmap, given back by Restore
    ScopedBitmap copy;  // what the control shows meanwhile
  };
  std::vector<std::unique_ptr<Replacement>> m_replacements;
};
