#include <gtest/gtest.h>

#include "skin_test_window.h"
#include "ui/skin_menu.h"

namespace {

using skin_test::Canvas;

CSkinHook g_hook;

constexpr COLORREF kMarker = RGB(1, 2, 3);

COLORREF SysColor(int index) { return skin_test::Rgb(::GetSysColor(index)); }

// The three rings, read at the middle of each edge of a w x h picture.
void ExpectRings(const std::function<COLORREF(int, int)>& pixel, int w, int h) {
  const COLORREF rings[] = {SysColor(COLOR_BTNSHADOW), SysColor(COLOR_MENU), SysColor(COLOR_MENU)};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rings[i], pixel(i, h / 2)) << "left ring " << i;
    EXPECT_EQ(rings[i], pixel(w - 1 - i, h / 2)) << "right ring " << i;
    EXPECT_EQ(rings[i], pixel(w / 2, i)) << "top ring " << i;
    EXPECT_EQ(rings[i], pixel(w / 2, h - 1 - i)) << "bottom ring " << i;
    EXPECT_EQ(rings[i], pixel(i, i)) << "corner of ring " << i;
  }
}

TEST(SkinMenuPaint, ThreeRingsFromTheOutsideIn) {
  Canvas canvas(60, 40, kMarker);
  // The window rectangle is taken to its own origin: only its size matters.
  PaintSkinMenuBorder(canvas.Dc(), RECT{300, 200, 360, 240});
  ExpectRings([&](int x, int y) { return canvas.Pixel(x, y); }, 60, 40);
  EXPECT_EQ(kMarker, canvas.Pixel(3, 20)) << "the border is three pixels wide";
  EXPECT_EQ(kMarker, canvas.Pixel(30, 3));
  EXPECT_EQ(kMarker, canvas.Pixel(56, 36));
}

// The menu settings of the system for the length of a test.
class MenuSettings {
public:
  MenuSettings() {
    ::SystemParametersInfoA(SPI_GETFLATMENU, 0, &m_flat, 0);
    ::SystemParametersInfoA(SPI_GETDROPSHADOW, 0, &m_shadow, 0);
  }
  ~MenuSettings() { Set(m_flat, m_shadow); }
  static bool Set(BOOL flat, BOOL shadow) {
    return ::SystemParametersInfoA(SPI_SETFLATMENU, 0, reinterpret_cast<PVOID>(static_cast<INT_PTR>(flat)), 0) &&
           ::SystemParametersInfoA(SPI_SETDROPSHADOW, 0, reinterpret_cast<PVOID>(static_cast<INT_PTR>(shadow)), 0);
  }

private:
  BOOL m_flat = FALSE, m_shadow = FALSE;
};

// What the test saw of the popup menu while it was open.
struct MenuView {
  HWND menu = nullptr;
  bool skinned = false;
  bool inTable = false;
  SIZE size{};
  std::vector<COLORREF> screenRow, screenColumn;  // the left and top edges, 3 pixels deep
  std::vector<COLORREF> printRow, printColumn;    // the same through WM_PRINT
  int ticks = 0;
};
MenuView g_view;

BOOL CALLBACK MatchVisibleMenu(HWND hwnd, LPARAM found) {
  char name[32] = {};
  ::GetClassNameA(hwnd, name, sizeof(name));
  if (std::string(name) != "#32768" || !::IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

HWND VisibleMenuOfThisThread() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &MatchVisibleMenu, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Runs inside the menu's own modal loop: looks at the open menu once it is there, then closes it.
void CALLBACK LookAtMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu = VisibleMenuOfThisThread();
  if (!menu && ++g_view.ticks < 400) return;
  ::KillTimer(nullptr, timer);
  if (menu) {
    g_view.menu = menu;
    g_view.skinned = skin_test::WndProcOf(menu) == &SkinMenuProc;
    g_view.inTable = g_menuProcs.count(menu) == 1;
    RECT r{};
    ::GetWindowRect(menu, &r);
    g_view.size = SIZE{r.right - r.left, r.bottom - r.top};
    ::RedrawWindow(menu, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
    Canvas printed(g_view.size.cx, g_view.size.cy, kMarker);
    ::SendMessageA(menu, WM_PRINT, reinterpret_cast<WPARAM>(printed.Dc()),
                   PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    for (int i = 0; i < 3; ++i) {
      g_view.screenRow.push_back(skin_test::WindowPixel(menu, i, g_view.size.cy / 2));
      g_view.screenColumn.push_back(skin_test::WindowPixel(menu, g_view.size.cx / 2, i));
      g_view.printRow.push_back(printed.Pixel(i, g_view.size.cy / 2));
      g_view.printColumn.push_back(printed.Pixel(g_view.size.cx / 2, i));
    }
  }
  ::EndMenu();
}

MenuView OpenAndLook(HWND owner) {
  g_view = MenuView();
  HMENU menu = ::CreatePopupMenu();
  ::AppendMenuA(menu, MF_STRING, 1, "Remove everything");
  ::AppendMenuA(menu, MF_STRING, 2, "Keep the driver");
  ::SetTimer(nullptr, 0, 50, &LookAtMenu);
  ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, 300, 300, 0, owner, nullptr);
  ::DestroyMenu(menu);
  return g_view;
}

TEST(SkinMenu, FlatBorderOnlyWhileTheSystemDrawsMenusRaised) {
  ASSERT_NE(nullptr, g_hook.Install());
  MenuSettings keep;
  skin_test::TestDialog owner({200, 100}, {});
  ASSERT_NE(nullptr, owner.Create());
  owner.Show();
  struct Case { BOOL flat, shadow; bool skinned; } cases[] = {
      {FALSE, FALSE, true}, {TRUE, FALSE, false}, {FALSE, TRUE, false}, {TRUE, TRUE, false}};
  const std::vector<COLORREF> rings{SysColor(COLOR_BTNSHADOW), SysColor(COLOR_MENU),
                                    SysColor(COLOR_MENU)};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "flat " << c.flat << ", shadow " << c.shadow);
    ASSERT_TRUE(MenuSettings::Set(c.flat, c.shadow));
    const MenuView view = OpenAndLook(owner.Hwnd());
    ASSERT_NE(nullptr, view.menu) << "the menu never showed";
    EXPECT_EQ(c.skinned, view.skinned);
    EXPECT_EQ(c.skinned, view.inTable);
    if (!c.skinned) continue;
    EXPECT_EQ(rings, view.screenRow);
    EXPECT_EQ(rings, view.screenColumn);
    EXPECT_EQ(rings, view.printRow);
    EXPECT_EQ(rings, view.printColumn);
  }
  owner.Destroy();
  g_hook.Remove();
}

}  // namespace
