// The confirmation dialog run modally on the test's thread and worked from another thread like a
// person would: its font, the answers OK gives, every way of declining, and its size and texts at
// the run's display scale. Also the resources it and the other dialogs are built from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "language/language_pack.h"
#include "scaled_run.h"
#include "skin_test_window.h"
#include "startup_window_helpers.h"
#include "support/test_support.h"
#include "support/test_thread.h"
#include "ui/confirm_dlg.h"
#include "ui/res/resource.h"

namespace {

using startup_test::WindowText;

// A pack with a font and the client's name; the dialog's texts as the real program shows them
// are checked with the sample pack by starting Uninstall.exe.
const char kPack[] =
    "<language id=\"1\" fontsize=\"13\" fontname=\"Tahoma\">"
    "<module name=\"define\"><value><PROGRAM_CLIENT_NAME>Client</PROGRAM_CLIENT_NAME></value></module>"
    "</language>";

// The same without a font.
const char kBarePack[] =
    "<language id=\"1\">"
    "<module name=\"define\"><value><PROGRAM_CLIENT_NAME>Client</PROGRAM_CLIENT_NAME></value></module>"
    "</language>";

class ConfirmDialog : public ::testing::Test {
protected:
  void TearDown() override { g_hDialogFont = nullptr; }

  // Loads the pack the dialog is given, and its font, as start-up does.
  void LoadPack(const char* bytes) {
    ASSERT_TRUE(test::WriteFileBytes(m_dir / "Language.xml", bytes));
    ASSERT_TRUE(m_pack.Load(m_dir.Path().c_str(), "Language.xml"));
    g_hDialogFont = m_pack.GetFont();
  }

  // Runs the dialog modally on this thread while act(dialog window) runs on another thread as
  // soon as the dialog shows. If act leaves the dialog open, it is cancelled after the wait and
  // m_leftOpen tells, so a failing test never hangs.
  INT_PTR RunDriven(CConfirmDlg& dialog, const std::function<void(HWND)>& act) {
    const DWORD threadId = ::GetCurrentThreadId();
    m_leftOpen = false;
    m_found = false;
    test::Thread driver([&] {
      HWND hwnd = startup_test::WaitForDialog(::GetCurrentProcessId(), threadId);
      if (!hwnd) return;
      m_found = true;
      act(hwnd);
      if (!test::WaitUntil([&] { return !::IsWindow(hwnd) || !::IsWindowVisible(hwnd); })) {
        m_leftOpen = true;
        ::PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
      }
    });
    const INT_PTR result = dialog.DoModal();
    driver.Join();
    EXPECT_TRUE(m_found) << "the dialog never showed";
    EXPECT_FALSE(m_leftOpen) << "the dialog did not end";
    return result;
  }

  test::TempDir m_dir;
  CLanguagePack m_pack;
  bool m_found = false;
  bool m_leftOpen = false;
};

// What the real program shows is checked by starting it (startup_test); the font can only be
// asked for inside the process, since Wine answers WM_GETFONT from another process with 0.
TEST_F(ConfirmDialog, TheDialogAndEveryTextControlAnswerWithThePackFont) {
  LoadPack(kPack);
  ASSERT_NE(nullptr, g_hDialogFont);
  HFONT dialogFont = nullptr;
  int textControls = 0, withOtherFont = 0;
  CConfirmDlg dialog(m_pack);
  const INT_PTR result = RunDriven(dialog, [&](HWND hwnd) {
    dialogFont = reinterpret_cast<HFONT>(::SendMessageA(hwnd, WM_GETFONT, 0, 0));
    for (HWND child : startup_test::TextControls(hwnd)) {
      ++textControls;
      if (reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0)) != g_hDialogFont) ++withOtherFont;
    }
    startup_test::Click(hwnd, IDCANCEL);
  });
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_EQ(g_hDialogFont, dialogFont);
  LOGFONTA font{};
  ::GetObjectA(g_hDialogFont, sizeof(font), &font);
  EXPECT_EQ(::MulDiv(13, scaled_run::RunScale().Dpi(), 96), font.lfHeight) << "13 pixels at 96 DPI";
  EXPECT_EQ(8, textControls);
  EXPECT_EQ(0, withOtherFont);
}

TEST_F(ConfirmDialog, OkGivesTheStateOfBothBoxes) {
  LoadPack(kPack);
  struct Case {
    bool uncheckDriver, uncheckData;
    int keepDriver, userDataState;
  } cases[] = {{false, false, 1, 1}, {true, false, 0, 1}, {false, true, 1, 0}, {true, true, 0, 0}};
  for (const Case& c : cases) {
    CConfirmDlg dialog(m_pack);
    const INT_PTR result = RunDriven(dialog, [&](HWND hwnd) {
      // A click toggles an auto check box, as the mouse does.
      if (c.uncheckDriver) ::SendMessageA(::GetDlgItem(hwnd, IDC_KEEP_CARD_DRIVER), BM_CLICK, 0, 0);
      if (c.uncheckData) ::SendMessageA(::GetDlgItem(hwnd, IDC_KEEP_USER_DATA), BM_CLICK, 0, 0);
      startup_test::Click(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, result) << c.uncheckDriver << c.uncheckData;
    EXPECT_EQ(c.keepDriver, dialog.m_nKeepDriver) << c.uncheckDriver << c.uncheckData;
    EXPECT_EQ(c.userDataState, dialog.m_nUserDataState) << c.uncheckDriver << c.uncheckData;
  }
}

TEST_F(ConfirmDialog, EnterCancelsUnlessTheFocusIsOnOk) {
  LoadPack(kPack);
  struct Case {
    const char* what;
    std::function<void(HWND)> act;
    INT_PTR result;
  } cases[] = {
      {"Cancel button", [](HWND h) { startup_test::Click(h, IDCANCEL); }, IDCANCEL},
      {"Escape", [](HWND h) { startup_test::PressKeyOn(h, IDC_KEEP_CARD_DRIVER, VK_ESCAPE); }, IDCANCEL},
      {"Escape on OK", [](HWND h) { startup_test::PressKeyOn(h, IDOK, VK_ESCAPE); }, IDCANCEL},
      {"Enter on the keep-driver box", [](HWND h) { startup_test::PressKeyOn(h, IDC_KEEP_CARD_DRIVER, VK_RETURN); },
       IDCANCEL},
      {"Enter on the user-data box", [](HWND h) { startup_test::PressKeyOn(h, IDC_KEEP_USER_DATA, VK_RETURN); },
       IDCANCEL},
      {"Enter on Cancel", [](HWND h) { startup_test::PressKeyOn(h, IDCANCEL, VK_RETURN); }, IDCANCEL},
      {"close box", [](HWND h) { ::PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
      {"Enter on OK", [](HWND h) { startup_test::PressKeyOn(h, IDOK, VK_RETURN); }, IDOK},
  };
  for (const Case& c : cases) {
    CConfirmDlg dialog(m_pack);
    EXPECT_EQ(c.result, RunDriven(dialog, c.act)) << c.what;
  }
}

TEST_F(ConfirmDialog, WithoutTextsTheTitleIsTheClientNameAndTheControlsAreEmpty) {
  LoadPack(kBarePack);
  EXPECT_EQ(nullptr, g_hDialogFont);
  std::string title = "unread";
  std::string texts;
  HFONT dialogFont = reinterpret_cast<HFONT>(1);
  int childrenWithAFont = -1;
  CConfirmDlg dialog(m_pack);
  RunDriven(dialog, [&](HWND hwnd) {
    title = WindowText(hwnd);
    for (int id : {IDC_QUESTION, IDC_CLOSE_NOTICE, IDC_RADIO_ALL, IDC_RADIO_CLIENT_ONLY, IDOK, IDCANCEL,
                   IDC_KEEP_USER_DATA, IDC_KEEP_CARD_DRIVER})
      texts += WindowText(::GetDlgItem(hwnd, id));
    // No font in the pack: the dialog and its controls get none, so they show the system font.
    dialogFont = reinterpret_cast<HFONT>(::SendMessageA(hwnd, WM_GETFONT, 0, 0));
    childrenWithAFont = 0;
    for (HWND child : startup_test::TextControls(hwnd))
      if (::SendMessageA(child, WM_GETFONT, 0, 0) != 0) ++childrenWithAFont;
    startup_test::Click(hwnd, IDCANCEL);
  });
  EXPECT_EQ("Client", title);
  EXPECT_EQ("", texts);
  EXPECT_EQ(nullptr, dialogFont);
  EXPECT_EQ(0, childrenWithAFont);
}

// The side picture shows in the dialog: its pixels, drawn by the static control itself, are the
// bitmap's; at another scale the picture is as much larger, its pixels the bitmap's nearly.
TEST_F(ConfirmDialog, TheSidePictureIsDrawnFromBitmap131) {
  LoadPack(kPack);
  HBITMAP side = static_cast<HBITMAP>(
      ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SIDE), IMAGE_BITMAP, 0, 0, 0));
  ASSERT_NE(nullptr, side);
  BITMAP info = {};
  ASSERT_NE(0, ::GetObjectA(side, sizeof(info), &info));
  const DisplayScale scale = scaled_run::RunScale();
  RECT shownSize{};

  std::vector<COLORREF> shown, expected;
  CConfirmDlg dialog(m_pack);
  RunDriven(dialog, [&](HWND hwnd) {
    HWND picture = nullptr;
    for (HWND child = ::GetWindow(hwnd, GW_CHILD); child && !picture; child = ::GetWindow(child, GW_HWNDNEXT))
      if (startup_test::IsPictureStatic(child)) picture = child;
    if (picture) {
      ::GetClientRect(picture, &shownSize);
      HDC screen = ::GetDC(nullptr);
      HDC memory = ::CreateCompatibleDC(screen);
      HBITMAP canvas = ::CreateCompatibleBitmap(screen, scale.Px(info.bmWidth), scale.Px(info.bmHeight));
      HGDIOBJ old = ::SelectObject(memory, canvas);
      ::SendMessageA(picture, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
      HDC source = ::CreateCompatibleDC(screen);
      HGDIOBJ oldSource = ::SelectObject(source, side);
      for (POINT p : {POINT{info.bmWidth / 2, 78}, POINT{10, info.bmHeight - 10}, POINT{info.bmWidth / 2, 40}}) {
        shown.push_back(::GetPixel(memory, scale.Px(p.x), scale.Px(p.y)));
        expected.push_back(::GetPixel(source, p.x, p.y));
      }
      ::SelectObject(source, oldSource);
      ::DeleteDC(source);
      ::SelectObject(memory, old);
      ::DeleteObject(canvas);
      ::DeleteDC(memory);
      ::ReleaseDC(nullptr, screen);
    }
    startup_test::Click(hwnd, IDCANCEL);
  });
  ::DeleteObject(side);
  ASSERT_EQ(3u, shown.size()) << "no bitmap static in the dialog";
  EXPECT_EQ(scale.Px(info.bmWidth), shownSize.right);
  EXPECT_EQ(scale.Px(info.bmHeight), shownSize.bottom);
  // Stretched smoothly, a pixel is a mix of the bitmap's pixels round its place.
  const int tolerance = scale.IsDesignScale() ? 0 : 24;
  for (size_t i = 0; i < shown.size(); ++i)
    for (int shift : {0, 8, 16})
      EXPECT_NEAR((expected[i] >> shift) & 0xFF, (shown[i] >> shift) & 0xFF, tolerance) << i;
  // The picture is not a flat colour: the mark's centre differs from the panel below it.
  EXPECT_NE(expected[0], expected[1]);
}

// The side of a check box's glyph as the control prints it, negative when the square is cut (its
// grey top and left edges differ in length).
int CheckGlyphSide(HWND box) {
  RECT r{};
  ::GetClientRect(box, &r);
  skin_test::Canvas canvas(r.right, r.bottom);
  ::SendMessageA(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  const COLORREF grey = skin_test::Rgb(::GetSysColor(COLOR_BTNSHADOW));
  int left = 0, across = 0;
  while (left < r.right && canvas.Count(RECT{left, 0, left + 1, r.bottom}, grey) == 0) ++left;
  const int down = canvas.Count(RECT{left, 0, left + 1, r.bottom}, grey);
  for (int y = 0, run = 0; y < r.bottom; ++y, run = 0) {
    while (left + run < r.right && canvas.Pixel(left + run, y) == grey) ++run;
    across = std::max(across, run);
  }
  return across == down ? across + 1 : -(std::max(across, down) + 1);
}

// Whether a control's text, in its font, fits the control less room on the left (a glyph) and a
// margin all round (a button's frame).
bool TextFits(HWND control, int roomLeft, int margin, bool wraps) {
  RECT client{};
  ::GetClientRect(control, &client);
  const LONG width = client.right - roomLeft - 2 * margin;
  RECT text{0, 0, width, 0};
  ScopedWindowDC dc(control);
  ScopedSelect font(dc.Get(), reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  ::DrawTextA(dc.Get(), WindowText(control).c_str(), -1, &text,
              DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
  return text.right <= width && text.bottom <= client.bottom - 2 * margin;
}

// With the sample client's packs at the run's scale: the dialog, its buttons and the English
// pack's font are their size at 96 DPI times the scale, within 10 %, and every text fits its
// control (a check box's glyph whole, its text right of it).
TEST_F(ConfirmDialog, GrowsWithTheScaleAndNoTextIsCutOff) {
  const DisplayScale scale = scaled_run::RunScale();
  for (const std::string file : {"Language.en.xml", "Language.xml"}) {
    SCOPED_TRACE(file);
    std::string bytes;
    ASSERT_TRUE(test::ReadFileBytes(test::SampleClientDir() + "\\" + file, bytes));
    ASSERT_TRUE(test::WriteFileBytes(m_dir / "Language.xml", bytes));
    CLanguagePack pack;
    ASSERT_TRUE(pack.Load(m_dir.Path().c_str(), "Language.xml"));
    g_hDialogFont = pack.GetFont();
    CConfirmDlg dialog(pack);
    RunDriven(dialog, [&](HWND hwnd) {
      RECT client{}, ok{};
      ::GetClientRect(hwnd, &client);
      ::GetClientRect(::GetDlgItem(hwnd, IDOK), &ok);
      TEXTMETRICA line{};
      ScopedWindowDC dc(hwnd);
      ScopedSelect font(dc.Get(), g_hDialogFont);
      ::GetTextMetricsA(dc.Get(), &line);
      // At 96 DPI: the client area, the OK button, the English pack's Tahoma 13 (the last).
      const LONG at96[] = {525, 303, 98, 26, 13};
      const LONG shown[] = {client.right, client.bottom, ok.right, ok.bottom, line.tmHeight};
      for (int i = 0; i < (file == "Language.en.xml" ? 5 : 4); ++i)
        EXPECT_NEAR(scale.Px(at96[i]), shown[i], scale.Px(at96[i]) / 10.0) << i;
      for (int id : {IDC_QUESTION, IDOK, IDCANCEL, IDC_KEEP_CARD_DRIVER, IDC_KEEP_USER_DATA}) {
        HWND control = ::GetDlgItem(hwnd, id);
        const bool box = id == IDC_KEEP_CARD_DRIVER || id == IDC_KEEP_USER_DATA, button = id == IDOK || id == IDCANCEL;
        const int glyph = box ? CheckGlyphSide(control) : 0;
        // At 96 DPI Wine draws a top-aligned box's glyph a row too high when the text's line is
        // lower than the glyph (the Chinese pack's): that picture stays as it was.
        EXPECT_TRUE(glyph >= 0 || scale.IsDesignScale()) << id << ": the check box's glyph is cut off";
        EXPECT_TRUE(TextFits(control, std::abs(glyph) * 3 / 2, button ? scale.Px(2) : 0,
                             !button && id != IDC_KEEP_CARD_DRIVER))
            << id << " cuts its text \"" << WindowText(control) << "\"";
      }
      startup_test::Click(hwnd, IDCANCEL);
    });
  }
}

// The manifest makes the program system-DPI aware, as the system reads it.
TEST(Resources, TheManifestDeclaresSystemDpiAwareness) {
  const auto query = reinterpret_cast<BOOL(WINAPI*)(DWORD, HANDLE, PCWSTR, PCWSTR, PWSTR, SIZE_T, SIZE_T*)>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
  ASSERT_NE(nullptr, query);
  wchar_t aware[16] = {}, awareness[16] = {};
  EXPECT_TRUE(query(0, nullptr, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", aware, 16, nullptr));
  EXPECT_TRUE(query(0, nullptr, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness", awareness,
                    16, nullptr));
  EXPECT_EQ(std::wstring(L"true"), aware);
  EXPECT_EQ(std::wstring(L"system"), awareness);
}

TEST(Resources, PicturesAndIconsHaveTheirSizes) {
  struct Case {
    int id;
    int width, height;
    int bits = 24;
  } bitmaps[] = {{IDB_SIDE, 89, 191},         {IDB_SKIN, 451, 260},           {IDB_CLOSE, 17, 17},
                 {IDB_CLOSE_HOT, 17, 17},     {IDB_CLOSE_150, 26, 26, 8},     {IDB_CLOSE_HOT_150, 26, 26, 8},
                 {IDB_CLOSE_200, 34, 34, 8},  {IDB_CLOSE_HOT_200, 34, 34, 8}};
  for (const Case& c : bitmaps) {
    HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.id),
                                                       IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(nullptr, bitmap) << c.id;
    BITMAP info = {};
    ASSERT_NE(0, ::GetObjectA(bitmap, sizeof(info), &info)) << c.id;
    EXPECT_EQ(c.width, info.bmWidth) << c.id;
    EXPECT_EQ(c.height, info.bmHeight) << c.id;
    EXPECT_EQ(c.bits, info.bmBitsPixel) << c.id;
    ::DeleteObject(bitmap);
  }
  for (int id : {IDI_MAIN, IDI_SMALL}) {
    for (int size : {16, 32}) {
      HICON icon = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON,
                                                   size, size, 0));
      EXPECT_NE(nullptr, icon) << id << " at " << size;
      if (icon) ::DestroyIcon(icon);
    }
  }
  // The two states of the close button look different.
  HBITMAP normal = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CLOSE));
  HBITMAP hot = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CLOSE_HOT));
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(dc, normal);
  const COLORREF normalFace = ::GetPixel(dc, 3, 8);
  ::SelectObject(dc, hot);
  const COLORREF hotFace = ::GetPixel(dc, 3, 8);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  ::DeleteObject(normal);
  ::DeleteObject(hot);
  EXPECT_NE(normalFace, hotFace);
  EXPECT_GT(GetRValue(hotFace), GetBValue(hotFace)) << "the hot state is the red one";
}

}  // namespace
