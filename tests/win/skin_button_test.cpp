#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <ostream>

#include "skin_test_window.h"
#include "ui/res/resource.h"
#include "ui/skin_button.h"
#include "ui/skin_color.h"

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
void PrintTo(const RECT& r, std::ostream* out) {
  *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

using skin_test::Canvas;
using skin_test::PumpUntil;
using skin_test::TestDialog;

CSkinHook g_hook;

// ---- The picture, drawn on a memory device context ----

const SkinButtonLook kIdle{};
constexpr COLORREF kOutside = RGB(1, 2, 3);

SkinButtonLook Look(bool hover, bool pressed, bool focused, bool enabled) {
  SkinButtonLook look;
  look.hover = hover;
  look.pressed = pressed;
  look.focused = focused;
  look.enabled = enabled;
  return look;
}

TEST(SkinButtonPaint, OutlineAndFaceRunFromWhiteThroughTheMiddleColour) {
  struct Case { bool hover; COLORREF middle; COLORREF bottom; } cases[] = {
      {false, RGB(180, 210, 235), RGB(105, 165, 215)},
      {true, RGB(247, 247, 235), RGB(239, 239, 215)},
  };
  for (const Case& c : cases) {
    Canvas canvas(80, 30);
    PaintSkinButton(canvas.Dc(), canvas.Rect(), Look(c.hover, false, false, true), "", nullptr);
    const int inner = 26;  // 30 - 2 - 2
    EXPECT_EQ(c.middle, canvas.Pixel(20, 2 + inner / 2));
    // Rows 0 to 3 and the last four lie under the hover frame.
    for (int i = 4; i <= inner - 4; ++i)
      EXPECT_EQ(SkinButtonFaceColor(i, inner, c.hover), canvas.Pixel(40, 2 + i)) << i;
    if (c.hover) continue;
    EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(20, 2));
    EXPECT_EQ(c.bottom, canvas.Pixel(20, 2 + inner)) << "as far again beyond the middle colour";
    // The black outline with rounded corners on a white fill.
    EXPECT_EQ(RGB(0, 0, 0), canvas.Pixel(40, 0));
    EXPECT_EQ(RGB(0, 0, 0), canvas.Pixel(0, 15));
    EXPECT_EQ(RGB(0, 0, 0), canvas.Pixel(79, 15));
    EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(40, 1));
    EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(1, 15));
    EXPECT_EQ(kOutside, canvas.Pixel(0, 0)) << "the corner stays outside the outline";
  }
}

// A face under 2 pixels high has no half to spread the gradient over: it is plain.
TEST(SkinButtonPaint, FlatButtonsGetAPlainFace) {
  for (int inner = -2; inner < 2; ++inner)
    for (int row = 0; row <= 1; ++row) {
      EXPECT_EQ(kButtonFaceMiddleColor, SkinButtonFaceColor(row, inner, false)) << inner;
      EXPECT_EQ(kButtonFaceMiddleHoverColor, SkinButtonFaceColor(row, inner, true)) << inner;
    }
  for (int height = 0; height <= 5; ++height) {
    Canvas canvas(40, 8);
    PaintSkinButton(canvas.Dc(), RECT{0, 0, 40, height}, kIdle, "x", nullptr);
    if (height >= 4) {
      EXPECT_EQ(kButtonFaceMiddleColor, canvas.Pixel(10, 2)) << height;
    }
  }
}

TEST(SkinButtonPaint, HoverAndFocusFrames) {
  struct Case {
    const char* name;
    bool hover, focused;
    COLORREF left, bottom, right, top;  // at the middle of each edge
  } cases[] = {
      {"hover", true, false, kButtonHoverLeftColor, kButtonHoverBottomColor,
       kButtonHoverRightColor, kButtonHoverTopColor},
      {"hover wins over focus", true, true, kButtonHoverLeftColor, kButtonHoverBottomColor,
       kButtonHoverRightColor, kButtonHoverTopColor},
      {"focus", false, true, kButtonFocusColor, kButtonFocusColor, kButtonFocusColor,
       kButtonFocusColor},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(80, 30);
    PaintSkinButton(canvas.Dc(), canvas.Rect(), Look(c.hover, false, c.focused, true), "", nullptr);
    // The frame lines are 3 pixels wide, centred on (2,2)-(77,27). The focus rectangle dots the
    // middle one, so the focus frame is checked on the outer and inner lines.
    for (int offset : {-1, 1}) {
      EXPECT_EQ(c.left, canvas.Pixel(2 + offset, 15));
      EXPECT_EQ(c.bottom, canvas.Pixel(40, 27 + offset));
      EXPECT_EQ(c.right, canvas.Pixel(77 + offset, 15));
      EXPECT_EQ(c.top, canvas.Pixel(40, 2 + offset));
    }
    if (c.hover) {
      EXPECT_EQ(c.left, canvas.Pixel(2, 15)) << "no focus rectangle over the hover frame";
    }
  }
  // Idle: no frame, the face reaches the edge of the outline.
  Canvas idle(80, 30);
  PaintSkinButton(idle.Dc(), idle.Rect(), kIdle, "", nullptr);
  EXPECT_EQ(SkinButtonFaceColor(13, 26, false), idle.Pixel(2, 15));
  EXPECT_EQ(SkinButtonFaceColor(0, 26, false), idle.Pixel(40, 2));
}

// The bounding box of the pixels of one colour.
RECT BoxOf(const Canvas& canvas, COLORREF color) {
  RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  const RECT all = canvas.Rect();
  for (int y = 0; y < all.bottom; ++y)
    for (int x = 0; x < all.right; ++x)
      if (canvas.Pixel(x, y) == color) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  return box;
}

TEST(SkinButtonPaint, TextColourAndPressedOffset) {
  Canvas enabled(100, 30), disabled(100, 30), pressed(100, 30);
  PaintSkinButton(enabled.Dc(), enabled.Rect(), kIdle, "Remove", nullptr);
  PaintSkinButton(disabled.Dc(), disabled.Rect(), Look(false, false, false, false), "Remove", nullptr);
  PaintSkinButton(pressed.Dc(), pressed.Rect(), Look(true, true, false, true), "Remove", nullptr);
  const RECT all = enabled.Rect();
  EXPECT_GT(enabled.Count(all, kButtonTextColor), 10);
  EXPECT_EQ(0, enabled.Count(all, kButtonDisabledTextColor));
  EXPECT_GT(disabled.Count(all, kButtonDisabledTextColor), 10);
  EXPECT_EQ(0, disabled.Count(all, kButtonTextColor));
  // Centred, and one pixel right and down while pressed.
  const RECT normal = BoxOf(enabled, kButtonTextColor), down = BoxOf(pressed, kButtonTextColor);
  EXPECT_NEAR(50, (normal.left + normal.right) / 2, 2);
  EXPECT_NEAR(15, (normal.top + normal.bottom) / 2, 2);
  EXPECT_EQ(normal.left + 1, down.left);
  EXPECT_EQ(normal.top + 1, down.top);
  EXPECT_EQ(normal.right + 1, down.right);
  EXPECT_EQ(normal.bottom + 1, down.bottom);
}

// The same picture at 150 % and 200 %: the outline, the frames, the face's margin, the corners and
// the pressed offset grow with the scale (lengths at 96 DPI times DPI / 96, lines at least 1).
TEST(SkinButtonPaint, LinesMarginsAndCornersGrowWithTheScale) {
  int outsideCorner = 0;
  for (int dpi : {96, 144, 192}) {
    SCOPED_TRACE(dpi);
    const DisplayScale s(dpi);
    const int middle = s.Px(15), inset = s.Px(2), height = s.Px(30) - 2 * inset;
    Canvas idle(s.Px(80), s.Px(30)), hover(s.Px(80), s.Px(30)), pressed(s.Px(80), s.Px(30));
    PaintSkinButton(idle.Dc(), idle.Rect(), kIdle, "Remove", nullptr, s);
    PaintSkinButton(hover.Dc(), hover.Rect(), Look(true, false, false, true), "", nullptr, s);
    PaintSkinButton(pressed.Dc(), pressed.Rect(), Look(true, true, false, true), "Remove", nullptr, s);
    const RECT edge{0, middle, inset + s.Px(5), middle + 1};
    EXPECT_EQ(s.Line(1), idle.Count(edge, RGB(0, 0, 0))) << "outline";
    EXPECT_EQ(RGB(255, 255, 255), idle.Pixel(inset - 1, middle));
    EXPECT_EQ(SkinButtonFaceColor(middle - inset, height, false), idle.Pixel(inset, middle));
    EXPECT_EQ(s.Line(3), hover.Count(edge, kButtonHoverLeftColor)) << "hover frame";
    const RECT corner{0, 0, s.Px(3), s.Px(3)};
    EXPECT_GT(idle.Count(corner, kOutside), outsideCorner) << "the corner's ellipse is larger";
    outsideCorner = idle.Count(corner, kOutside);
    const RECT normal = BoxOf(idle, kButtonTextColor), down = BoxOf(pressed, kButtonTextColor);
    EXPECT_EQ(normal.left + s.Px(1), down.left);
    EXPECT_EQ(normal.top + s.Px(1), down.top);
  }
}

// ---- Real buttons in a real dialog ----

class SkinButton : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(nullptr, g_hook.Install());
    ASSERT_NE(nullptr, m_dialog.Create());
    m_dialog.Show();
    ASSERT_TRUE(g_buttonStates.count(m_dialog.Item(1001)));
    // Start with the mouse on an empty part of the dialog.
    skin_test::MoveMouseTo(skin_test::ScreenPoint(m_dialog.Hwnd(), 250, 150));
    PumpUntil([&] { return ::GetCapture() == nullptr; });
  }
  void TearDown() override {
    m_dialog.Destroy();
    g_hook.Remove();
  }
  HWND Button(int id) const { return m_dialog.Item(id); }
  SkinButtonRecord& Record(int id) { return *g_buttonStates[Button(id)]; }
  POINT Inside(int id) const { return skin_test::CentreOf(Button(id)); }
  POINT Outside() const { return skin_test::ScreenPoint(m_dialog.Hwnd(), 250, 150); }

  TestDialog m_dialog{SIZE{300, 200},
                      {{"Button", 1001, BS_PUSHBUTTON | WS_TABSTOP, {10, 10, 110, 40}, "Remove"},
                       {"Button", 1002, BS_DEFPUSHBUTTON | WS_TABSTOP, {10, 50, 110, 80}, "Cancel"},
                       {"Button", 1003, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, {10, 90, 110, 120},
                        "Later"}}};
};

// The pixels of a button on screen that differ from its picture painted on a memory canvas at the
// run's display scale (the corners outside the rounded outline show the dialog and are not
// compared).
int DifferencesFromPicture(HWND button, const SkinButtonLook& look) {
  ::UpdateWindow(button);
  RECT client{};
  ::GetClientRect(button, &client);
  char text[64] = {};
  ::GetWindowTextA(button, text, sizeof(text));
  Canvas picture(client.right, client.bottom, kOutside);
  PaintSkinButton(picture.Dc(), client, look, text, nullptr, scaled_run::RunScale());
  int differences = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x)
      if (picture.Pixel(x, y) != kOutside && picture.Pixel(x, y) != skin_test::ClientPixel(button, x, y))
        ++differences;
  return differences;
}

TEST_F(SkinButton, ShowsItsStateOnScreen) {
  HWND remove = Button(1001);
  EXPECT_EQ(0, DifferencesFromPicture(remove, kIdle));
  EXPECT_EQ(0, DifferencesFromPicture(Button(1003), Look(false, false, false, false)));

  skin_test::MoveMouseTo(Inside(1001));
  ASSERT_TRUE(PumpUntil([&] { return Record(1001).m_bHover == 1; }));
  EXPECT_EQ(remove, ::GetCapture()) << "hover holds the capture";
  EXPECT_EQ(0, DifferencesFromPicture(remove, Look(true, false, false, true)));

  skin_test::MoveMouseTo(Outside());
  ASSERT_TRUE(PumpUntil([&] { return Record(1001).m_bHover == 0; }));
  EXPECT_EQ(nullptr, ::GetCapture());
  EXPECT_EQ(0, DifferencesFromPicture(remove, kIdle));

  ::SetFocus(Button(1002));
  skin_test::PumpMessages();
  EXPECT_EQ(0, DifferencesFromPicture(Button(1002), Look(false, false, true, true)));
  EXPECT_EQ(0, DifferencesFromPicture(remove, kIdle)) << "focus left it";
}

TEST_F(SkinButton, RealMouseClicks) {
  // Press and release inside: one click, reported once.
  skin_test::MoveMouseTo(Inside(1001));
  ASSERT_TRUE(PumpUntil([&] { return Record(1001).m_bHover == 1; }));
  skin_test::SendMouse(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return Record(1001).m_bPressed == 1; }));
  skin_test::SendMouse(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(PumpUntil([&] { return m_dialog.Clicks(1001) == 1; }));
  EXPECT_EQ(0, Record(1001).m_bPressed);
  EXPECT_EQ(1, m_dialog.CommandCount());

  // Pressed, dragged out and released: the press is dropped, no click.
  skin_test::SendMouse(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return Record(1001).m_bPressed == 1; }));
  skin_test::MoveMouseTo(Outside());
  ASSERT_TRUE(PumpUntil([&] { return Record(1001).m_bHover == 0 && Record(1001).m_bPressed == 0; }));
  const int releases = m_dialog.MouseReleases();
  skin_test::SendMouse(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(PumpUntil([&] { return m_dialog.MouseReleases() == releases + 1; }));
  EXPECT_EQ(1, m_dialog.Clicks(1001));

  // Pressed on the dialog, dragged onto the button and released there: no click either.
  skin_test::SendMouse(MOUSEEVENTF_LEFTDOWN);
  skin_test::MoveMouseTo(Inside(1001));
  ASSERT_TRUE(PumpUntil([&] { return Record(1001).m_bHover == 1; }));
  skin_test::SendMouse(MOUSEEVENTF_LEFTUP);
  // Input arrives in order: once the mouse has left again, the release has been handled.
  skin_test::MoveMouseTo(Outside());
  ASSERT_TRUE(PumpUntil([&] { return Record(1001).m_bHover == 0 && ::GetCapture() == nullptr; }));
  EXPECT_EQ(1, m_dialog.Clicks(1001));

  // A double click is two clicks.
  skin_test::MoveMouseTo(Inside(1001));
  ASSERT_TRUE(PumpUntil([&] { return Record(1001).m_bHover == 1; }));
  for (int i = 0; i < 2; ++i) {
    skin_test::SendMouse(MOUSEEVENTF_LEFTDOWN);
    skin_test::SendMouse(MOUSEEVENTF_LEFTUP);
  }
  EXPECT_TRUE(PumpUntil([&] { return m_dialog.Clicks(1001) == 3; }));
  EXPECT_EQ(3, m_dialog.CommandCount());
}

bool IsOwnerDrawn(HWND button) {
  return (::GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
}

// Real keys on the foreground dialog: Enter presses the focused push button, the default moving
// with the focus as Tab goes round; Space presses the focused button and Escape cancels.
TEST_F(SkinButton, KeyboardPressesTheFocusedButton) {
  HWND dialog = m_dialog.Hwnd(), remove = Button(1001), cancel = Button(1002);
  ::SetForegroundWindow(dialog);
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == dialog; }));
  ::SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(cancel), TRUE);
  ASSERT_EQ(1, Record(1002).m_bDefault);
  ASSERT_EQ(0, Record(1001).m_bDefault);

  // Tab skips the disabled button and comes round to Remove, which becomes the default.
  skin_test::PressKey(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == remove; }));
  EXPECT_EQ(1, Record(1001).m_bDefault);
  EXPECT_EQ(0, Record(1002).m_bDefault);
  EXPECT_TRUE(IsOwnerDrawn(remove) && IsOwnerDrawn(cancel)) << "the default moved, the skin stayed";
  EXPECT_EQ(0, DifferencesFromPicture(remove, Look(false, false, true, true)));

  skin_test::PressKey(VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return m_dialog.Clicks(1001) == 1; }));
  skin_test::PressKey(VK_SPACE);
  EXPECT_TRUE(PumpUntil([&] { return m_dialog.Clicks(1001) == 2; }));
  skin_test::PressKey(VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([&] { return m_dialog.Clicks(IDCANCEL) == 1; }));
  EXPECT_EQ(0, m_dialog.Clicks(1002));
  EXPECT_TRUE(::IsWindowVisible(dialog));

  // Back on Cancel, the dialog's default id: Enter presses it and the skin ends the dialog.
  skin_test::PressKey(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == cancel; }));
  EXPECT_EQ(1, Record(1002).m_bDefault);
  EXPECT_EQ(0, Record(1001).m_bDefault);
  skin_test::PressKey(VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return m_dialog.Clicks(1002) == 1; }));
  EXPECT_FALSE(::IsWindowVisible(dialog));
  EXPECT_EQ(4, m_dialog.CommandCount());
}

// The pixels of one of the program's bitmaps.
std::vector<COLORREF> BitmapPixels(int id, SIZE& size) {
  ScopedBitmap bitmap(static_cast<HBITMAP>(::LoadImageA(
      ::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  BITMAP info{};
  ::GetObjectA(bitmap.Get(), sizeof(info), &info);
  size = SIZE{info.bmWidth, info.bmHeight};
  ScopedMemoryDC dc(nullptr);
  ScopedSelect select(dc.Get(), bitmap.Get());
  std::vector<COLORREF> pixels;
  for (int y = 0; y < size.cy; ++y)
    for (int x = 0; x < size.cx; ++x) pixels.push_back(skin_test::Rgb(::GetPixel(dc.Get(), x, y)));
  return pixels;
}

int MismatchesWith(HWND hwnd, const std::vector<COLORREF>& pixels, SIZE size) {
  int mismatches = 0;
  for (int y = 0; y < size.cy; ++y)
    for (int x = 0; x < size.cx; ++x)
      if (skin_test::ClientPixel(hwnd, x, y) != pixels[static_cast<size_t>(y * size.cx + x)])
        ++mismatches;
  return mismatches;
}

RECT PlaceInParent(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The close button's rectangle in a parent whose client area is parentWidth wide: size pixels
// square, the margin (6 pixels at 96 DPI) from the top and right edges.
RECT CloseButtonPlace(int parentWidth, int size) {
  const int margin = scaled_run::RunScale().Px(kCloseButtonMargin);
  return RECT{parentWidth - margin - size, margin, parentWidth - margin, margin + size};
}

// The close button's picture drawn for the run's scale: 17 pixels at 96 DPI, 26 at 144, 34 at 192.
int ClosePictureFor(bool hot) {
  switch (scaled_run::RunScale().Dpi()) {
    case 144: return hot ? IDB_CLOSE_HOT_150 : IDB_CLOSE_150;
    case 192: return hot ? IDB_CLOSE_HOT_200 : IDB_CLOSE_200;
    default: return hot ? IDB_CLOSE_HOT : IDB_CLOSE;
  }
}

TEST(SkinCloseButton, ShowsItsBitmapInTheTopRightCorner) {
  ASSERT_NE(nullptr, g_hook.Install());
  TestDialog dialog({300, 200}, {{"Button", kCloseButtonId, BS_PUSHBUTTON, {10, 10, 40, 30}, "x"}});
  ASSERT_NE(nullptr, dialog.Create());
  dialog.Show();
  HWND close = dialog.Item(kCloseButtonId);
  SIZE normalSize{}, hotSize{};
  const std::vector<COLORREF> normal = BitmapPixels(ClosePictureFor(false), normalSize);
  const std::vector<COLORREF> hot = BitmapPixels(ClosePictureFor(true), hotSize);
  const int size = scaled_run::RunScale().Px(17);
  ASSERT_EQ(size, normalSize.cx);
  ASSERT_EQ(size, normalSize.cy);

  // Painting sized it to its bitmap, which put it 6 pixels from the top right.
  ASSERT_TRUE(PumpUntil([&] { return PlaceInParent(close).left == CloseButtonPlace(300, size).left; }));
  EXPECT_EQ(CloseButtonPlace(300, size), PlaceInParent(close));
  EXPECT_EQ(0, MismatchesWith(close, normal, normalSize));

  skin_test::MoveMouseTo(skin_test::CentreOf(close));
  ASSERT_TRUE(PumpUntil([&] { return g_buttonStates[close]->m_bHover == 1; }));
  ::UpdateWindow(close);
  EXPECT_EQ(0, MismatchesWith(close, hot, hotSize));
  skin_test::MoveMouseTo(skin_test::ScreenPoint(dialog.Hwnd(), 100, 100));
  ASSERT_TRUE(PumpUntil([&] { return g_buttonStates[close]->m_bHover == 0; }));

  // After the dialog grows, the button's next show or resize puts it back into the corner.
  ::SetWindowPos(dialog.Hwnd(), nullptr, 0, 0, 400, 250, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(close, SW_HIDE);
  ::ShowWindow(close, SW_SHOW);
  EXPECT_EQ(CloseButtonPlace(400, size), PlaceInParent(close));
  ::SetWindowPos(dialog.Hwnd(), nullptr, 0, 0, 350, 250, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(close, nullptr, 0, 0, 25, 25, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(CloseButtonPlace(350, 25), PlaceInParent(close));
  dialog.Repaint();
  EXPECT_EQ(CloseButtonPlace(350, size), PlaceInParent(close)) << "repainted at its bitmap's size";
  dialog.Destroy();
  g_hook.Remove();
}

}  // namespace
