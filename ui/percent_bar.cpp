#include "ui/percent_bar.h"

#include "framework/gdi.h"
#include "ui/percent_bar_geometry.h"

namespace {
const COLORREF kBarColor = RGB(0, 0, 255);
const COLORREF kTextColor = RGB(156, 186, 245);
}  // namespace

void PaintPercentBar(HDC dc, const RECT& rect, int pos, DisplayScale scale) {
  char text[32];
  const int textLength = FormatPercentText(pos, text, sizeof(text));
  const int width = rect.right - rect.left;
  const int filled = PercentBarFilledLength(pos, width);

  ScopedSaveDC saved(dc);
  // The text of a narrow bar starts left of it; it must not spill onto what lies around.
  ::IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  ::SetBkMode(dc, TRANSPARENT);

  ScopedBrush bar(::CreateSolidBrush(kBarColor));
  ScopedBrush background(::CreateSolidBrush(::GetBkColor(dc)));
  const RECT barPart = {rect.left, rect.top, rect.left + filled, rect.bottom};
  const RECT restPart = {rect.left + filled, rect.top, rect.right, rect.bottom};
  if (bar && filled > 0) ::FillRect(dc, &barPart, bar.Get());
  if (background && filled < width) ::FillRect(dc, &restPart, background.Get());

  ::SetTextColor(dc, kTextColor);
  const int textX = PercentBarTextX(width, scale.Px(kPercentTextLeftOfMiddle));
  ::TextOutA(dc, rect.left + textX, rect.top, text, textLength);
}

void CPercentBar::SetPos(int pos) {
  m_nPos.store(pos);
  const HWND hwnd = m_hWnd;
  if (!hwnd) return;  // GetDC(nullptr) would hand out the screen
  // The picture is drawn right here, so a repaint already pending for the bar is dropped.
  // ValidateRect rather than BeginPaint: it sends nothing to the dialog's thread, so a worker
  // never waits on it.
  ::ValidateRect(hwnd, nullptr);
  ScopedWindowDC dc(hwnd);
  if (!dc.Get()) return;
  RECT client = {};
  if (!::GetClientRect(hwnd, &client)) return;
  PaintPercentBar(dc.Get(), client, pos, SystemDisplayScale());
}

LRESULT CPercentBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      ScopedPaint paint(m_hWnd);
      RECT client = {};
      ::GetClientRect(m_hWnd, &client);
      if (paint.Get()) PaintPercentBar(paint.Get(), client, m_nPos.load(), SystemDisplayScale());
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client = {};
      ::GetClientRect(m_hWnd, &client);
      PaintPercentBar(reinterpret_cast<HDC>(wParam), client, m_nPos.load(), SystemDisplayScale());
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the picture covers the whole bar: erasing first would only flicker
    default:
      return DefWindowProc(msg, wParam, lParam);
  }
}
