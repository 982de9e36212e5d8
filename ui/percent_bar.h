// The progress dialog's percent bar: a static control, attached by subclassing, that shows a
// percentage as a blue bar over the context's background colour with the number as text.
// SetPos draws at once on the calling thread, so a worker's progress shows even while the
// dialog's own thread is busy.
#pragma once
#include <windows.h>

#include <atomic>

#include "framework/wnd.h"
#include "ui/display_scale.h"

// Paints the bar for pos over rect: blue up to the filled length, the rest in dc's current
// background colour, and "pos %" in RGB(156, 186, 245) at rect.left + width / 2 - 20 in dc's
// current font (the 20 pixels at 96 DPI, times scale; the default draws the 96-DPI picture). The
// DC's default font, the system font, grows with the system DPI by itself. Nothing outside rect
// is touched; dc's modes and colours are restored.
void PaintPercentBar(HDC dc, const RECT& rect, int pos, DisplayScale scale = DisplayScale());

class CPercentBar : public CWnd {
public:
  // Stores pos (any value, not clamped) and draws the bar at once on the calling thread. When
  // no device context can be had (no window attached, or it is gone) only the value is kept.
  void SetPos(int pos);
  int GetPos() const { return m_nPos.load(); }

protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  // Written by the worker, read by the dialog's thread when it paints.
  std::atomic<int> m_nPos{0};
};
