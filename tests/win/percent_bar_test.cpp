// The percent bar's picture on a memory device context, and the bar attached to a real window
// drawing synchronously on the thread that sets its position.
#include <gtest/gtest.h>

#include <algorithm>

#include "framework/gdi.h"
#include "scaled_run.h"
#include "support/test_support.h"
#include "support/test_thread.h"
#include "ui/percent_bar.h"

namespace {

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kTextColor = RGB(156, 186, 245);
const COLORREF kMarker = RGB(200, 30, 120);

// A 32-bit memory bitmap selected into its own DC, filled with one colour.
class Canvas {
public:
  Canvas(int width, int height, COLORREF fill) : m_dc(nullptr), m_width(width), m_height(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    m_bitmap.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_old = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    ScopedBrush brush(::CreateSolidBrush(fill));
    const RECT all = {0, 0, width, height};
    ::FillRect(m_dc.Get(), &all, brush.Get());
  }
  ~Canvas() { ::SelectObject(m_dc.Get(), m_old); }
  HDC Dc() const { return m_dc.Get(); }
  COLORREF At(int x, int y) const { return ::GetPixel(m_dc.Get(), x, y); }
  int Width() const { return m_width; }
  int Height() const { return m_height; }

private:
  ScopedMemoryDC m_dc;
  ScopedBitmap m_bitmap;
  HGDIOBJ m_old = nullptr;
  int m_width, m_height;
};

// Columns below the text (the system font is about 16 pixels high): blue or background only.
TEST(PercentBarPicture, FilledColumnsOnASevenPixelBar) {
  const COLORREF background = RGB(10, 200, 30);
  struct Case { int pos, blueColumns; } cases[] = {{0, 0}, {50, 3}, {100, 7}, {150, 7}, {-10, 0}};
  for (const Case& c : cases) {
    Canvas canvas(7, 40, kMarker);
    ::SetBkColor(canvas.Dc(), background);
    const RECT bar = {0, 0, 7, 40};
    PaintPercentBar(canvas.Dc(), bar, c.pos);
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(x < c.blueColumns ? kBlue : background, canvas.At(x, 32))
          << "position " << c.pos << ", column " << x;
  }
}

TEST(PercentBarPicture, BackgroundIsTheContextsColourAndItsStateIsRestored) {
  Canvas canvas(100, 30, kMarker);
  // A fresh context's background is white.
  PaintPercentBar(canvas.Dc(), RECT{0, 0, 100, 30}, 25);
  EXPECT_EQ(RGB(255, 255, 255), canvas.At(99, 29));
  EXPECT_EQ(kBlue, canvas.At(24, 29));
  EXPECT_EQ(RGB(255, 255, 255), canvas.At(25, 29));

  ::SetBkColor(canvas.Dc(), RGB(1, 2, 3));
  ::SetBkMode(canvas.Dc(), OPAQUE);
  ::SetTextColor(canvas.Dc(), RGB(4, 5, 6));
  PaintPercentBar(canvas.Dc(), RECT{0, 0, 100, 30}, 25);
  EXPECT_EQ(RGB(1, 2, 3), canvas.At(99, 29));
  EXPECT_EQ(OPAQUE, ::GetBkMode(canvas.Dc()));
  EXPECT_EQ(RGB(4, 5, 6), ::GetTextColor(canvas.Dc()));
}

// Text pixels appear, all at or right of W / 2 - 20, and nothing is drawn outside the rectangle.
// The 20 pixels are those at 96 DPI: at 150 % the text starts 30 pixels left of the middle.
TEST(PercentBarPicture, TextRightOfTheMiddleAndNothingOutsideTheBar) {
  const int positions[] = {0, 7, 100, -10, 12345};
  for (int dpi : {96, 144, 192}) for (int pos : positions) {
    Canvas canvas(240, 60, kMarker);
    const RECT bar = {20, 10, 220, 40};  // width 200: the text starts at 20 + 80 at 96 DPI
    const int textX = bar.left + 100 - DisplayScale(dpi).Px(20);
    PaintPercentBar(canvas.Dc(), bar, pos, DisplayScale(dpi));
    int textPixels = 0, firstTextColumn = canvas.Width();
    for (int y = 0; y < canvas.Height(); ++y) {
      for (int x = 0; x < canvas.Width(); ++x) {
        const bool inside = x >= bar.left && x < bar.right && y >= bar.top && y < bar.bottom;
        const COLORREF c = canvas.At(x, y);
        if (!inside) {
          ASSERT_EQ(kMarker, c) << "pos " << pos << " drew at " << x << "," << y;
          continue;
        }
        if (c == kTextColor) {
          ++textPixels;
          firstTextColumn = std::min(firstTextColumn, x);
          ASSERT_GE(x, textX) << "pos " << pos << " at " << dpi << " DPI";
        }
      }
    }
    EXPECT_GT(textPixels, 0) << "pos " << pos;
    EXPECT_LT(firstTextColumn, textX + 4) << "pos " << pos << " at " << dpi << " DPI";
  }
}

TEST(PercentBarPicture, TextOfANarrowBarIsClippedToIt) {
  Canvas canvas(40, 40, kMarker);
  PaintPercentBar(canvas.Dc(), RECT{20, 0, 27, 40}, 50);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(kMarker, canvas.At(x, y)) << x << "," << y;
}

// A visible popup with one static child, the child attached to a CPercentBar.
class BarWindow {
public:
  BarWindow() {
    m_popup = ::CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 50, 50, 220, 60,
                                nullptr, nullptr, nullptr, nullptr);
    m_child = ::CreateWindowA("STATIC", "Static", WS_CHILD | WS_VISIBLE, 10, 10, 200, 30, m_popup,
                              reinterpret_cast<HMENU>(1025), nullptr, nullptr);
    Pump();
  }
  ~BarWindow() { if (m_popup) ::DestroyWindow(m_popup); }
  void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
  }
  HWND Child() const { return m_child; }
  HWND Popup() const { return m_popup; }
  COLORREF PixelOfChild(int x, int y) const {
    ScopedWindowDC dc(m_child);
    return ::GetPixel(dc.Get(), x, y);
  }

private:
  HWND m_popup = nullptr;
  HWND m_child = nullptr;
};

TEST(PercentBarControl, SetPosDrawsAtOnceOnTheCallingThread) {
  BarWindow window;
  ASSERT_TRUE(window.Child());
  CPercentBar bar;
  ASSERT_TRUE(bar.SubclassWindow(window.Child()));
  // The window's own thread pumps nothing while another thread sets the position: what shows
  // was drawn by that thread.
  test::Thread worker([&] { bar.SetPos(50); });
  worker.Join();
  EXPECT_EQ(50, bar.GetPos());
  EXPECT_EQ(kBlue, window.PixelOfChild(99, 29));
  // A fresh window context's background colour is white.
  EXPECT_EQ(RGB(255, 255, 255), window.PixelOfChild(100, 29));

  test::Thread back([&] { bar.SetPos(10); });
  back.Join();
  EXPECT_EQ(kBlue, window.PixelOfChild(19, 29));
  EXPECT_EQ(RGB(255, 255, 255), window.PixelOfChild(20, 29));
  EXPECT_EQ(RGB(255, 255, 255), window.PixelOfChild(99, 29));
}

TEST(PercentBarControl, PaintAndPrintShowThePositionAndErasingDoesNothing) {
  BarWindow window;
  CPercentBar bar;
  ASSERT_TRUE(bar.SubclassWindow(window.Child()));
  bar.SetPos(75);
  // A repaint through WM_PAINT after the window was covered.
  ::InvalidateRect(window.Child(), nullptr, TRUE);
  ::UpdateWindow(window.Child());
  EXPECT_EQ(kBlue, window.PixelOfChild(149, 29));
  EXPECT_EQ(RGB(255, 255, 255), window.PixelOfChild(150, 29));

  Canvas canvas(200, 30, kMarker);
  EXPECT_EQ(1, ::SendMessageA(window.Child(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0));
  EXPECT_EQ(kMarker, canvas.At(0, 29));
  EXPECT_EQ(kMarker, canvas.At(199, 29));
  ::SendMessageA(window.Child(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  EXPECT_EQ(kBlue, canvas.At(149, 29));
  EXPECT_EQ(RGB(255, 255, 255), canvas.At(150, 29));
}

TEST(PercentBarControl, WithoutAWindowTheValueIsKeptQuietly) {
  CPercentBar detached;
  detached.SetPos(42);
  EXPECT_EQ(42, detached.GetPos());

  CPercentBar bar;
  {
    BarWindow window;
    ASSERT_TRUE(bar.SubclassWindow(window.Child()));
  }
  EXPECT_EQ(nullptr, bar.GetSafeHwnd());  // the window went, and the bar let go of it
  bar.SetPos(-7);
  EXPECT_EQ(-7, bar.GetPos());
}

}  // namespace
