#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>

#include "skin_test_window.h"
#include "ui/res/resource.h"
#include "ui/skin_button.h"
#include "ui/skin_color.h"
#include "ui/skin_menu.h"
#include "ui/skin_tab.h"

#include <commctrl.h>

namespace {

using skin_test::Control;
using skin_test::PumpUntil;
using skin_test::TestDialog;
using skin_test::WndProcOf;

CSkinHook g_hook;

class SkinHook : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&classes);
  }
  void SetUp() override { ASSERT_NE(nullptr, g_hook.Install()); }
  void TearDown() override { g_hook.Remove(); }
};

bool IsSkinnedDialog(HWND hwnd) {
  return WndProcOf(hwnd) == &SkinDialogProc && g_dialogProcs.count(hwnd) == 1;
}

TEST(SkinHookInstall, HooksOnceAndUnhooksOnce) {
  EXPECT_FALSE(g_hook.Remove()) << "nothing installed yet";
  const HHOOK hook = g_hook.Install();
  ASSERT_NE(nullptr, hook);
  EXPECT_EQ(hook, g_hSkinHook);
  EXPECT_EQ(hook, g_hook.Install()) << "a second install keeps the hook in place";
  EXPECT_TRUE(g_skinBrush);
  EXPECT_TRUE(g_hook.Remove());
  EXPECT_FALSE(g_hook.Remove());

  // Unhooked, a dialog keeps the system's procedure.
  TestDialog dialog({200, 100}, {{"Button", 1001, BS_PUSHBUTTON, {10, 10, 90, 35}, "OK"}});
  ASSERT_NE(nullptr, dialog.Create());
  dialog.Show();
  EXPECT_FALSE(IsSkinnedDialog(dialog.Hwnd()));
  EXPECT_EQ(0u, g_buttonStates.count(dialog.Item(1001)));
}

// The rounding of the colour mixing is the system's MulDiv.
TEST(SkinColour, RoundsLikeTheSystemMulDiv) {
  const int values[] = {0, 1, -1, 2, 3, 7, 50, -50, 99, 100, 255, -255, 12345, INT_MAX, INT_MIN + 1};
  const int divisors[] = {1, -1, 2, 3, -3, 7, 100, -100, 0};
  for (int a : values)
    for (int b : values)
      for (int c : divisors)
        ASSERT_EQ(::MulDiv(a, b, c), RoundedMulDiv(a, b, c)) << a << " * " << b << " / " << c;
}

TEST_F(SkinHook, SkinsPushButtonsAndTabControlsOnly) {
  struct Case { int id; const char* className; DWORD style; bool skinned; } cases[] = {
      {1001, "Button", BS_PUSHBUTTON, true},      {1002, "Button", BS_DEFPUSHBUTTON, true},
      {1003, "Button", BS_CHECKBOX, false},       {1004, "Button", BS_AUTOCHECKBOX, false},
      {1005, "Button", BS_RADIOBUTTON, false},    {1006, "Button", BS_AUTORADIOBUTTON, false},
      {1007, "Button", BS_GROUPBOX, false},       {1008, "Button", BS_OWNERDRAW, false},
      {1009, "Button", BS_3STATE, false},         {1010, "Static", SS_LEFT, false},
      {1011, "Edit", ES_LEFT, false},             {1012, WC_TABCONTROLA, 0, true},
  };
  std::vector<Control> controls;
  int y = 0;
  for (const Case& c : cases) controls.push_back({c.className, c.id, c.style, {10, y, 150, y + 20}, "x"});
  controls.back().rect = {160, 10, 390, 200};  // the tab control
  TestDialog dialog({400, 300}, controls);
  ASSERT_NE(nullptr, dialog.Create());
  for (const Case& c : cases) {
    HWND item = dialog.Item(c.id);
    ASSERT_NE(nullptr, item) << c.id;
    EXPECT_EQ(0u, g_buttonStates.count(item) + g_tabProcs.count(item)) << "nothing before it shows";
  }
  dialog.Show();
  EXPECT_TRUE(IsSkinnedDialog(dialog.Hwnd()));

  for (const Case& c : cases) {
    HWND item = dialog.Item(c.id);
    const LONG type = ::GetWindowLongA(item, GWL_STYLE) & 0x1F;
    if (std::string(c.className) == WC_TABCONTROLA) {
      EXPECT_EQ(&SkinTabProc, WndProcOf(item));
      ASSERT_EQ(1u, g_tabProcs.count(item));
      EXPECT_NE(&SkinTabProc, g_tabProcs[item]);
      continue;
    }
    EXPECT_EQ(c.skinned, WndProcOf(item) == &SkinButtonProc) << c.id;
    EXPECT_EQ(c.skinned ? 1u : 0u, g_buttonStates.count(item)) << c.id;
    if (std::string(c.className) != "Button") continue;
    if (c.skinned) {
      // Both push-button kinds become owner-drawn; the default-button bit is absorbed.
      EXPECT_EQ(BS_OWNERDRAW, type) << c.id;
      const SkinButtonRecord& record = *g_buttonStates[item];
      EXPECT_NE(nullptr, record.m_prevProc);
      EXPECT_NE(&SkinButtonProc, record.m_prevProc);
      EXPECT_EQ(0, record.m_bPressed);
      EXPECT_EQ(0, record.m_bHover);
    } else {
      EXPECT_EQ(static_cast<LONG>(c.style), type) << c.id;
    }
  }
}

TEST_F(SkinHook, SkinsADialogOnceHoweverOftenItShows) {
  TestDialog outer({300, 200}, {{"Button", 1001, BS_PUSHBUTTON, {10, 10, 90, 35}, "OK"}});
  ASSERT_NE(nullptr, outer.Create());
  outer.Show();
  ::ShowWindow(outer.Hwnd(), SW_HIDE);
  outer.Show();
  EXPECT_EQ(1, std::count(g_skinnedDialogs.begin(), g_skinnedDialogs.end(), outer.Hwnd()));
  EXPECT_NE(&SkinDialogProc, g_dialogProcs[outer.Hwnd()]);

  // A dialog nested in it is met twice: once as a descendant of the outer one, once when it
  // shows itself. Its controls must not become their own previous procedures.
  TestDialog inner({200, 150}, {{WC_TABCONTROLA, 2001, 0, {5, 5, 190, 140}, ""},
                                {"Button", 2002, BS_PUSHBUTTON, {10, 100, 90, 125}, "Inner"}});
  ASSERT_NE(nullptr, inner.Create(outer.Hwnd()));
  ::SetWindowPos(inner.Hwnd(), nullptr, 50, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  inner.Show();
  ASSERT_TRUE(IsSkinnedDialog(inner.Hwnd()));
  HWND tab = inner.Item(2001);
  EXPECT_EQ(&SkinTabProc, WndProcOf(tab));
  EXPECT_NE(&SkinTabProc, g_tabProcs[tab]);
  EXPECT_NE(&SkinButtonProc, g_buttonStates[inner.Item(2002)]->m_prevProc);
  // Messages passed on reach the system's procedures (a loop would never return).
  EXPECT_EQ(0, ::SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(5, ::SendMessageA(inner.Item(2002), WM_GETTEXTLENGTH, 0, 0));
}

// A destroyed window leaves every table, so a window later given its handle is skinned afresh.
TEST_F(SkinHook, DestroyedWindowsAreForgotten) {
  for (int round = 0; round < 2; ++round) {
    TestDialog dialog({200, 150}, {{WC_TABCONTROLA, 2001, 0, {5, 5, 190, 90}, ""},
                                   {"Button", 2002, BS_PUSHBUTTON, {10, 100, 90, 125}, "OK"}});
    ASSERT_NE(nullptr, dialog.Create());
    dialog.Show();
    const HWND hwnd = dialog.Hwnd(), tab = dialog.Item(2001), button = dialog.Item(2002);
    ASSERT_TRUE(IsSkinnedDialog(hwnd)) << round;
    ASSERT_EQ(1u, g_tabProcs.count(tab));
    ASSERT_EQ(1u, g_buttonStates.count(button));
    dialog.Destroy();
    EXPECT_EQ(0, std::count(g_skinnedDialogs.begin(), g_skinnedDialogs.end(), hwnd));
    EXPECT_EQ(0u, g_dialogProcs.count(hwnd) + g_tabProcs.count(tab) + g_buttonStates.count(button));
  }
}

// The skinned procedures are inert for windows they do not know.
TEST_F(SkinHook, ProceduresAnswerZeroForUnknownWindows) {
  HWND stranger = ::CreateWindowExA(0, "Static", "stranger", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, stranger);
  const WNDPROC procs[] = {&SkinDialogProc, &SkinButtonProc, &SkinTabProc, &SkinMenuProc};
  for (WNDPROC proc : procs) {
    EXPECT_EQ(0, proc(stranger, WM_GETTEXTLENGTH, 0, 0));
    EXPECT_EQ(0, proc(stranger, WM_ERASEBKGND, 0, 0));
    EXPECT_EQ(0, proc(stranger, WM_CTLCOLORDLG, 0, 0));
  }
  EXPECT_EQ(8, ::SendMessageA(stranger, WM_GETTEXTLENGTH, 0, 0));
  ::DestroyWindow(stranger);
}

TEST_F(SkinHook, OtherDialogsAreLightBlueWithTransparentStaticTexts) {
  const RECT text{20, 20, 220, 50};
  TestDialog dialog({300, 150}, {{"Static", 1001, SS_LEFT, text, "Static text"}});
  ASSERT_NE(nullptr, dialog.Create());
  dialog.Show();
  EXPECT_EQ(kSkinDialogColor, skin_test::ClientPixel(dialog.Hwnd(), 5, 5));
  EXPECT_EQ(kSkinDialogColor, skin_test::ClientPixel(dialog.Hwnd(), 290, 140));
  // Inside the static control: the light blue and the black text, no opaque (white) text cells.
  HWND item = dialog.Item(1001);
  const RECT inside{0, 0, text.right - text.left, text.bottom - text.top};
  EXPECT_GT(skin_test::CountPixels(item, inside, kSkinDialogColor), 0);
  EXPECT_GT(skin_test::CountPixels(item, inside, RGB(0, 0, 0)), 0);
  EXPECT_EQ(0, skin_test::CountPixels(item, inside, RGB(255, 255, 255)));
}

TEST_F(SkinHook, WithoutTheBrushDialogsGetTheFallbackColour) {
  ScopedBrush kept(g_skinBrush.Detach());
  TestDialog dialog({200, 100}, {});
  ASSERT_NE(nullptr, dialog.Create());
  dialog.Show();
  EXPECT_EQ(kSkinFallbackDialogColor, skin_test::ClientPixel(dialog.Hwnd(), 5, 5));
  dialog.Destroy();
  g_skinBrush.Reset(kept.Detach());
}

// The pixels of bitmap 147 as stored in the program's resources.
class SkinBitmapPixels {
public:
  SkinBitmapPixels()
      : m_dc(nullptr),
        m_bitmap(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                   MAKEINTRESOURCEA(IDB_SKIN), IMAGE_BITMAP, 0, 0,
                                                   LR_CREATEDIBSECTION))),
        m_select(m_dc.Get(), m_bitmap.Get()) {}
  bool Loaded() const { return static_cast<bool>(m_bitmap); }
  COLORREF At(int x, int y) const { return skin_test::Rgb(::GetPixel(m_dc.Get(), x, y)); }

private:
  ScopedMemoryDC m_dc;
  ScopedBitmap m_bitmap;
  ScopedSelect m_select;
};

TEST_F(SkinHook, OwnDialogsShowTheBackgroundBitmapWithTransparentStatics) {
  SkinBitmapPixels bitmap;
  ASSERT_TRUE(bitmap.Loaded());
  ASSERT_TRUE(g_skinBitmap);
  BITMAP info{};
  ASSERT_TRUE(::GetObjectA(g_skinBitmap.Get(), sizeof(info), &info));
  EXPECT_EQ(451, info.bmWidth);
  EXPECT_EQ(260, info.bmHeight);

  // At the bitmap's own size every pixel is the bitmap's.
  const RECT text{300, 200, 440, 230};
  TestDialog same({451, 260}, {{"Static", 1001, SS_LEFT, text, "i"}}, true);
  ASSERT_NE(nullptr, same.Create());
  same.Show();
  int mismatches = 0;
  for (int y = 0; y < 260; y += 13)
    for (int x = 0; x < 451; x += 11)
      if (skin_test::ClientPixel(same.Hwnd(), x, y) != bitmap.At(x, y)) ++mismatches;
  EXPECT_EQ(0, mismatches);
  EXPECT_EQ(bitmap.At(450, 259), skin_test::ClientPixel(same.Hwnd(), 450, 259));
  // Right of the narrow text the static control shows the bitmap beneath it.
  for (int x = 400; x < 440; x += 3)
    EXPECT_EQ(bitmap.At(x, 225), skin_test::ClientPixel(same.Hwnd(), x, 225)) << x;
  same.Destroy();

  // Twice the size: each pixel comes from the bitmap's pixel at half the coordinates (or, where
  // the stretch rounds the other way, its neighbour).
  TestDialog twice({902, 520}, {}, true);
  ASSERT_NE(nullptr, twice.Create());
  twice.Show();
  EXPECT_EQ(bitmap.At(0, 0), skin_test::ClientPixel(twice.Hwnd(), 0, 0));
  EXPECT_EQ(bitmap.At(450, 259), skin_test::ClientPixel(twice.Hwnd(), 901, 519));
  mismatches = 0;
  for (int y = 2; y < 258; y += 17)
    for (int x = 2; x < 449; x += 19) {
      const COLORREF shown = skin_test::ClientPixel(twice.Hwnd(), 2 * x, 2 * y);
      bool matches = false;
      for (int dy = -1; dy <= 1 && !matches; ++dy)
        for (int dx = -1; dx <= 1 && !matches; ++dx) matches = shown == bitmap.At(x + dx, y + dy);
      if (!matches) ++mismatches;
    }
  EXPECT_EQ(0, mismatches);
}

TEST_F(SkinHook, OwnDialogsWithoutTheBitmapAreLightBlue) {
  ScopedBitmap kept(g_skinBitmap.Detach());
  TestDialog dialog({300, 150}, {{"Static", 1001, SS_LEFT, {20, 20, 220, 50}, "Static text"}}, true);
  ASSERT_NE(nullptr, dialog.Create());
  dialog.Show();
  EXPECT_EQ(kSkinDialogColor, skin_test::ClientPixel(dialog.Hwnd(), 5, 5));
  EXPECT_EQ(0, skin_test::CountPixels(dialog.Item(1001), {0, 0, 200, 30}, RGB(255, 255, 255)));
  dialog.Destroy();
  g_skinBitmap.Reset(kept.Detach());
}

// Only the default button's command ends a dialog whose own procedure never ends it.
TEST_F(SkinHook, TheDefaultButtonEndsTheDialogWithItsId) {
  TestDialog dialog({300, 100}, {{"Button", 1001, BS_PUSHBUTTON, {10, 10, 90, 35}, "Other"},
                                 {"Button", 1002, BS_DEFPUSHBUTTON, {100, 10, 180, 35}, "Default"}});
  std::atomic<bool> otherLeftItOpen{false};
  const INT_PTR result = dialog.RunModal([&] {
    HWND hwnd = nullptr;
    test::WaitUntil([&] {
      hwnd = dialog.Hwnd();
      return hwnd && ::IsWindowVisible(hwnd) && WndProcOf(hwnd) == &SkinDialogProc;
    });
    if (!hwnd) return;
    ::SendMessageA(::GetDlgItem(hwnd, 1001), BM_CLICK, 0, 0);
    otherLeftItOpen = ::IsWindowVisible(hwnd) != FALSE;
    ::SendMessageA(::GetDlgItem(hwnd, 1002), BM_CLICK, 0, 0);
    // Should the dialog stay, end the test's modal run so the test reports instead of hanging.
    if (!test::WaitUntil([&] { return !::IsWindow(hwnd); }, 10000)) ::EndDialog(hwnd, -2);
  });
  EXPECT_TRUE(otherLeftItOpen);
  EXPECT_EQ(1002, result);
}

// What a helper thread saw of a message box shown on the hooked thread.
struct MessageBoxView {
  bool found = false;
  bool skinned = false;
  COLORREF background = 0;
  int textLightBlue = 0, textWhite = 0;
  int ownerDrawnButtons = 0, skinnedButtons = 0;
};

struct DialogSearch {
  const char* caption;
  HWND found;
};

BOOL CALLBACK MatchVisibleDialog(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<DialogSearch*>(lParam);
  char name[64] = {}, title[128] = {};
  ::GetClassNameA(hwnd, name, sizeof(name));
  ::GetWindowTextA(hwnd, title, sizeof(title));
  if (std::string(name) != "#32770" || std::string(title) != search->caption) return TRUE;
  if (!::IsWindowVisible(hwnd)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND FindVisibleDialog(DWORD threadId, const char* caption) {
  DialogSearch search{caption, nullptr};
  ::EnumThreadWindows(threadId, &MatchVisibleDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Shows a message box on this thread; a helper thread looks at it and clicks the button with
// the given id through real mouse input.
int ShowAndAnswer(const char* caption, UINT type, int answerId, MessageBoxView& view) {
  const DWORD mainThread = ::GetCurrentThreadId();
  test::Thread driver([&] {
    HWND box = nullptr;
    view.found = test::WaitUntil([&] {
      box = FindVisibleDialog(mainThread, caption);
      return box && WndProcOf(box) == &SkinDialogProc;
    });
    if (!view.found) return;
    view.skinned = true;
    test::WaitUntil([&] { return skin_test::ClientPixel(box, 2, 2) == kSkinDialogColor; }, 5000);
    view.background = skin_test::ClientPixel(box, 2, 2);
    HWND answer = nullptr;
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      char name[64] = {};
      ::GetClassNameA(child, name, sizeof(name));
      const LONG style = ::GetWindowLongA(child, GWL_STYLE);
      if (std::string(name) == "Button" && (style & WS_VISIBLE)) {
        if ((style & 0x1F) == BS_OWNERDRAW) ++view.ownerDrawnButtons;
        if (WndProcOf(child) == &SkinButtonProc) ++view.skinnedButtons;
        if (::GetDlgCtrlID(child) == answerId) answer = child;
      } else if (std::string(name) == "Static" && (style & SS_TYPEMASK) == SS_LEFT) {
        RECT r{};
        ::GetClientRect(child, &r);
        view.textLightBlue += skin_test::CountPixels(child, r, kSkinDialogColor);
        view.textWhite += skin_test::CountPixels(child, r, RGB(255, 255, 255));
      }
    }
    if (answer) {
      skin_test::MoveMouseTo(skin_test::CentreOf(answer));
      test::WaitUntil([&] { return skin_test::CaptureOf(mainThread) == answer; }, 5000);
      skin_test::SendMouse(MOUSEEVENTF_LEFTDOWN);
      skin_test::SendMouse(MOUSEEVENTF_LEFTUP);
    }
    // Whatever happened, the box must not outlive the test.
    if (!test::WaitUntil([&] { return !::IsWindow(box); }, 10000))
      ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
  });
  const int result = ::MessageBoxA(nullptr, "Remove the client now?", caption, type);
  driver.Join();
  return result;
}

TEST_F(SkinHook, MessageBoxesAreSkinnedAndEndWithTheButtonUsed) {
  struct Case { const char* caption; UINT type; int answer; } cases[] = {
      {"Skin box OK", MB_OKCANCEL, IDOK},
      {"Skin box No", MB_YESNO | MB_DEFBUTTON2, IDNO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    MessageBoxView view;
    EXPECT_EQ(c.answer, ShowAndAnswer(c.caption, c.type, c.answer, view));
    ASSERT_TRUE(view.found);
    EXPECT_EQ(kSkinDialogColor, view.background);
    EXPECT_GT(view.textLightBlue, 0);
    EXPECT_EQ(0, view.textWhite) << "message text drawn on an opaque background";
    EXPECT_EQ(2, view.ownerDrawnButtons);
    EXPECT_EQ(2, view.skinnedButtons);
  }
}

// The thread's focus window (GetFocus answers for the calling thread only).
HWND FocusOf(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

// Shows a Yes/No box whose default is Yes on this thread; once it is in front with the focus on
// Yes, a helper thread presses the keys.
int AnswerYesNoWithKeys(const char* caption, const std::vector<WORD>& keys) {
  const DWORD mainThread = ::GetCurrentThreadId();
  test::Thread driver([&] {
    HWND box = nullptr;
    const bool shown = test::WaitUntil([&] {
      box = FindVisibleDialog(mainThread, caption);
      return box && WndProcOf(box) == &SkinDialogProc;
    });
    if (!shown) return;
    ::SetForegroundWindow(box);
    if (test::WaitUntil([&] {
          return ::GetForegroundWindow() == box && FocusOf(mainThread) == ::GetDlgItem(box, IDYES);
        }))
      for (WORD key : keys) skin_test::PressKey(key);
    // Whatever happened, the box must not outlive the test (a Yes/No box has no Cancel).
    if (!test::WaitUntil([&] { return !::IsWindow(box); }, 10000))
      ::PostMessageA(box, WM_COMMAND, IDYES, 0);
  });
  const int result = ::MessageBoxA(nullptr, "Close the client?", caption, MB_YESNO);
  driver.Join();
  return result;
}

TEST_F(SkinHook, MessageBoxKeysAnswerTheFocusedButton) {
  struct Case { const char* caption; std::vector<WORD> keys; } cases[] = {
      {"Skin box Tab Enter", {VK_TAB, VK_RETURN}},  // Tab moves the focus to No
      {"Skin box mnemonic", {'N'}},
  };
  for (const Case& c : cases) EXPECT_EQ(IDNO, AnswerYesNoWithKeys(c.caption, c.keys)) << c.caption;
}

}  // namespace
