#include "ui/skin_menu.h"

#include "framework/gdi.h"
#include "ui/skin_hook.h"

namespace {

// One ring of one pixel in one colour (a 3-D rectangle whose two sides have the same colour).
void FrameRing(HDC dc, const RECT& rect, COLORREF color) {
  ScopedBrush brush(::CreateSolidBrush(color));
  ::FrameRect(dc, &rect, brush.Get());
}

void PaintBorderOf(HWND hwnd, HDC dc) {
  RECT window{};
  ::GetWindowRect(hwnd, &window);
  PaintSkinMenuBorder(dc, window);
}

}  // namespace

void PaintSkinMenuBorder(HDC dc, const RECT& windowRect) {
  RECT ring = windowRect;
  ::OffsetRect(&ring, -ring.left, -ring.top);
  FrameRing(dc, ring, ::GetSysColor(COLOR_BTNSHADOW));
  ::InflateRect(&ring, -1, -1);
  FrameRing(dc, ring, ::GetSysColor(COLOR_MENU));
  ::InflateRect(&ring, -1, -1);
  FrameRing(dc, ring, ::GetSysColor(COLOR_MENU));
}

LRESULT CALLBACK SkinMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto found = g_menuProcs.find(hwnd);
  if (found == g_menuProcs.end()) return 0;
  switch (msg) {
    case WM_NCPAINT: {
      ScopedWholeWindowDC dc(hwnd);
      PaintBorderOf(hwnd, dc.Get());
      return 0;
    }
    case WM_PAINT: {
      // Where the system paints its raised edge inside the menu's client area rather than as a
      // frame, the flat border goes over it once the menu has painted.
      const LRESULT result = ::CallWindowProcA(found->second, hwnd, msg, wParam, lParam);
      ScopedWholeWindowDC dc(hwnd);
      PaintBorderOf(hwnd, dc.Get());
      return result;
    }
    case WM_PRINT: {
      const LRESULT result = ::CallWindowProcA(found->second, hwnd, msg, wParam, lParam);
      PaintBorderOf(hwnd, reinterpret_cast<HDC>(wParam));
      return result;
    }
    default:
      return ::CallWindowProcA(found->second, hwnd, msg, wParam, lParam);
  }
}
