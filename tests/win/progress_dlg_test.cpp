// The progress dialog run modally on the test's main thread while other threads drive it as a
// worker would: status texts, bars, keys the user might press, and the worker's closing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>

#include <set>
#include <string>
#include <vector>

#include "cleanup/steps/setup_type.h"
#include "cleanup/steps/setup_values.h"
#include "framework/gdi.h"
#include "language/language_pack.h"
#include "scaled_run.h"
#include "support/test_support.h"
#include "support/test_thread.h"
#include "ui/progress_dlg.h"
#include "ui/res/resource.h"

namespace {

CLanguagePack g_pack;  // serves the dialog its texts

const COLORREF kBlue = RGB(0, 0, 255);

std::string Gbk(const char* utf8) {
  wchar_t wide[512] = {};
  ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 512);
  char gbk[1024] = {};
  ::WideCharToMultiByte(936, 0, wide, -1, gbk, sizeof(gbk), nullptr, nullptr);
  return gbk;
}

// "AB" and 30 double-byte characters: 62 bytes, cut to fit the title's 50-byte buffer.
std::string LongCaption() {
  std::string caption = "AB";
  for (int i = 0; i < 30; ++i) caption += Gbk("卸");
  return caption;
}

std::string ClientName() { return Gbk("测试客户端"); }
std::string Text1() { return Gbk("正在准备卸载"); }
std::string Text2() { return Gbk("总卸载进度"); }

class PackEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    test::TempDir dir;
    const std::string xml =
        "<language id=\"0\">\r\n"
        " <module name=\"uninstall\">\r\n"
        "  <IDD_Uninstall1>\r\n"
        "   <MSGTIP1>" + LongCaption() + "</MSGTIP1>\r\n"
        "   <TEXT1>" + Text1() + "</TEXT1>\r\n"
        "   <TEXT2>" + Text2() + "</TEXT2>\r\n"
        "  </IDD_Uninstall1>\r\n"
        " </module>\r\n"
        " <module name=\"define\"><value>\r\n"
        "  <PROGRAM_CLIENT_NAME>" + ClientName() + "</PROGRAM_CLIENT_NAME>\r\n"
        " </value></module>\r\n"
        "</language>\r\n";
    ASSERT_TRUE(test::WriteFileBytes(dir / "Language.xml", xml));
    ASSERT_TRUE(g_pack.Load(dir.Path().c_str(), "Language.xml"));
  }
};
const auto* const g_packEnvironment = ::testing::AddGlobalTestEnvironment(new PackEnvironment);

std::string WindowText(HWND window) {
  char text[2048] = {};
  ::GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string ItemText(HWND dialog, int id) { return WindowText(::GetDlgItem(dialog, id)); }

// One WM_GETTEXT into a buffer larger than any text here, so the text is read whole even while
// the dialog's timer replaces it.
std::string LongItemText(HWND dialog, int id) {
  std::vector<char> text(65536, '\0');
  ::GetWindowTextA(::GetDlgItem(dialog, id), text.data(), static_cast<int>(text.size()));
  return text.data();
}

bool IsOpen(HWND dialog) { return ::IsWindow(dialog) && ::IsWindowVisible(dialog); }

// What the dialog showed right after its initialisation, before the first timer tick.
struct InitialState {
  std::string title, statusText, totalLabel;
  HANDLE ownDialogMark = nullptr;
  LRESULT bigIcon = 0, smallIcon = 0;
};

class ObservedProgressDlg : public CProgressDlg {
public:
  // The template as the program picks it: by the units digit of "SetupType".
  ObservedProgressDlg()
      : CProgressDlg(g_pack, static_cast<UINT>(SelectBySetupVariant(IDD_PROGRESS, IDD_PROGRESS_SMALL))) {}

  std::atomic<HWND> m_shown{nullptr};
  InitialState m_initial;

protected:
  BOOL OnInitDialog() override {
    const BOOL result = CProgressDlg::OnInitDialog();
    m_initial.title = WindowText(m_hWnd);
    m_initial.statusText = ItemText(m_hWnd, 1027);
    m_initial.totalLabel = ItemText(m_hWnd, 1028);
    m_initial.ownDialogMark = ::GetPropA(m_hWnd, "UNINSTALL_HWND");
    m_initial.bigIcon = ::SendMessageA(m_hWnd, WM_GETICON, ICON_BIG, 0);
    m_initial.smallIcon = ::SendMessageA(m_hWnd, WM_GETICON, ICON_SMALL, 0);
    m_shown = m_hWnd;
    return result;
  }
};

// Waits until the dialog's thread has painted everything pending and is back in its loop, so
// no paint of its own runs while the test reads or covers pixels.
BOOL CALLBACK HasPendingPaint(HWND child, LPARAM pending) {
  if (::GetUpdateRect(child, nullptr, FALSE)) *reinterpret_cast<bool*>(pending) = true;
  return TRUE;
}

void Settle(HWND dialog) {
  test::WaitUntil([&] {
    bool pending = ::GetUpdateRect(dialog, nullptr, FALSE) != FALSE;
    ::EnumChildWindows(dialog, &HasPendingPaint, reinterpret_cast<LPARAM>(&pending));
    return !pending;
  }, 10000);
  ::SendMessageA(dialog, WM_NULL, 0, 0);
}

// Runs the dialog modally on this thread while drive() works it from another thread; the driver
// ends the dialog as the worker does (Close) when drive() returns. Returns DoModal's result.
INT_PTR RunDriven(ObservedProgressDlg& dialog, const std::function<void(HWND)>& drive) {
  test::Thread driver([&] {
    HWND window = nullptr;
    test::WaitUntil([&] { return (window = dialog.m_shown.load()) != nullptr && IsOpen(window); }, 30000);
    if (!window) return;
    drive(window);
    if (::IsWindow(window)) dialog.Close();
  });
  const INT_PTR result = dialog.DoModal();
  driver.Join();
  return result;
}

// Sets text as the status and waits until control 1027 shows it, or the dialog is gone.
// Timer ticks come only when no posted message waits, so once the text shows every message
// posted before has been handled.
bool ShowStatus(ObservedProgressDlg& dialog, HWND window, const std::string& text) {
  dialog.SetStatusText(text);
  test::WaitUntil([&] { return !IsOpen(window) || LongItemText(window, 1027) == text; }, 20000);
  return IsOpen(window) && LongItemText(window, 1027) == text;
}

// "SetupType" lives in the shared setup key: each test sets it and the fixture puts it back.
class ProgressDialog : public ::testing::Test {
protected:
  void SetUp() override {
    m_had = test::ReadRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "SetupType", m_old);
    SetSetupType("0");
  }
  void TearDown() override {
    if (m_had) {
      test::WriteRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "SetupType", m_old);
      return;
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDefaultSetupKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      ::RegDeleteValueA(key, "SetupType");
      ::RegCloseKey(key);
    }
  }
  void SetSetupType(const char* value) {
    ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "SetupType", value));
  }

  bool m_had = false;
  std::string m_old;
};

TEST_F(ProgressDialog, ShowsTitleTextsAndIconsAndTheWorkersStatus) {
  ObservedProgressDlg dialog;
  EXPECT_EQ(137u, dialog.GetTemplateId());
  bool statusShown = false;
  std::string statusAfter;
  const INT_PTR result = RunDriven(dialog, [&](HWND window) {
    statusShown = ShowStatus(dialog, window, Gbk("正在删除文件..."));
    statusAfter = ItemText(window, 1027);
  });
  EXPECT_EQ(IDCANCEL, result);

  const InitialState& initial = dialog.m_initial;
  // The define, one blank, and the caption cut at a whole character within 49 bytes.
  EXPECT_EQ(ClientName() + " " + LongCaption().substr(0, 48), initial.title);
  EXPECT_EQ(Text1(), initial.statusText);
  EXPECT_EQ(Text2(), initial.totalLabel);
  EXPECT_EQ(reinterpret_cast<HANDLE>(1), initial.ownDialogMark);
  const LRESULT icon = reinterpret_cast<LRESULT>(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(139)));
  EXPECT_EQ(icon, initial.bigIcon);
  EXPECT_EQ(icon, initial.smallIcon);

  EXPECT_TRUE(statusShown);
  EXPECT_EQ(Gbk("正在删除文件..."), statusAfter);
}

// Nothing but the worker ends the run: not the keys, not the window's close command, not the
// WM_CLOSE that Task Manager's End Task and taskkill send first, not a Cancel command.
TEST_F(ProgressDialog, KeysCloseCommandsAndEndTaskDoNotEndItOnlyTheWorkerDoes) {
  struct Key { const char* name; UINT message; WPARAM key; LPARAM flags; } keys[] = {
      {"Enter", WM_KEYDOWN, VK_RETURN, 0x001C0001},
      {"Escape", WM_KEYDOWN, VK_ESCAPE, 0x00010001},
      {"Alt+F4", WM_SYSKEYDOWN, VK_F4, 0x203E0001},
  };
  ObservedProgressDlg dialog;
  const DWORD dialogThread = ::GetCurrentThreadId();
  std::vector<std::string> survived;
  bool openAfterCloseCommand = false;
  const INT_PTR result = RunDriven(dialog, [&](HWND window) {
    int marker = 0;
    for (const Key& key : keys) {
      GUITHREADINFO info = {};
      info.cbSize = sizeof(info);
      ::GetGUIThreadInfo(dialogThread, &info);
      const HWND target = info.hwndFocus ? info.hwndFocus : window;
      ::PostMessageA(target, key.message, key.key, key.flags);
      if (ShowStatus(dialog, window, "after key " + std::to_string(++marker))) survived.push_back(key.name);
    }
    ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    openAfterCloseCommand = ShowStatus(dialog, window, "after close command");
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    if (ShowStatus(dialog, window, "after End Task")) survived.push_back("End Task");
    ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    if (ShowStatus(dialog, window, "after Cancel")) survived.push_back("Cancel");
  });
  EXPECT_EQ((std::vector<std::string>{"Enter", "Escape", "Alt+F4", "End Task", "Cancel"}), survived);
  EXPECT_TRUE(openAfterCloseCommand);
  EXPECT_EQ(IDCANCEL, result);  // the worker's closing
}

TEST_F(ProgressDialog, StatusTextsFromTwoThreadsAreNeverTorn) {
  // 50 long texts, each one letter repeated with its number: any mix of two is recognisable.
  // They are long so that copying one takes long enough for an unguarded hand-over to be
  // caught in the middle.
  std::vector<std::string> texts;
  for (int i = 0; i < 50; ++i)
    texts.push_back(std::string(32000, static_cast<char>('A' + i % 26)) + std::to_string(i));
  std::set<std::string> valid(texts.begin(), texts.end());
  valid.insert("");
  valid.insert(Text1());

  ObservedProgressDlg dialog;
  std::vector<std::string> torn;
  int samples = 0;
  bool lastShown = false;
  RunDriven(dialog, [&](HWND window) {
    // Two workers set the texts (even and odd ones) over and over while the dialog's thread
    // copies the status into 1027, until 300 samples are taken.
    std::atomic<bool> stop{false};
    auto setter = [&](int first) {
      while (!stop)
        for (int i = first; i < 50; i += 2) dialog.SetStatusText(texts[i]);
    };
    test::Thread even([&] { setter(0); }), odd([&] { setter(1); });
    // Each sample is one timer tick on the dialog's thread, then what it put into 1027.
    for (; samples < 300; ++samples) {
      ::SendMessageA(window, WM_TIMER, 101, 0);
      const std::string shown = LongItemText(window, 1027);
      if (!valid.count(shown)) torn.push_back(shown.substr(0, 20) + "..." + shown.substr(shown.size() > 20 ? shown.size() - 20 : 0));
    }
    stop = true;
    even.Join();
    odd.Join();
    const std::string last = dialog.GetStatusText();
    lastShown = valid.count(last) && ShowStatus(dialog, window, last);
  });
  EXPECT_TRUE(torn.empty()) << torn.size() << " torn texts, first: " << (torn.empty() ? "" : torn[0]);
  EXPECT_TRUE(lastShown);
}

// Reads the pixel of control id at (x, y) of its client area.
COLORREF PixelOf(HWND dialog, int id, int x, int y) {
  ScopedWindowDC dc(::GetDlgItem(dialog, id));
  return ::GetPixel(dc.Get(), x, y);
}

// Covers control id with a marker colour, so a redraw shows.
void Cover(HWND dialog, int id, COLORREF marker) {
  const HWND control = ::GetDlgItem(dialog, id);
  ScopedWindowDC dc(control);
  RECT client = {};
  ::GetClientRect(control, &client);
  ScopedBrush brush(::CreateSolidBrush(marker));
  ::FillRect(dc.Get(), &client, brush.Get());
}

TEST_F(ProgressDialog, BarsDrawOnTheWorkersCallAndTheTotalOnlyWhenChanged) {
  const COLORREF marker = RGB(200, 30, 120);
  struct Seen {
    int stepWidth = 0, totalWidth = 0;
    COLORREF stepAt40 = 0, totalAfterSame = 0, totalAfterChange = 0, stepAfterSame = 0;
    int totalPos = 0;
    int intervalBefore = 0, spanBefore = 0, intervalAfter = 0, spanAfter = 0;
  } seen;
  ObservedProgressDlg dialog;
  RunDriven(dialog, [&](HWND window) {
    Settle(window);
    RECT step = {}, total = {};
    ::GetClientRect(::GetDlgItem(window, 1025), &step);
    ::GetClientRect(::GetDlgItem(window, 1033), &total);
    seen.stepWidth = step.right;
    seen.totalWidth = total.right;
    const int lastBlueOf40 = step.right * 40 / 100 - 1;

    dialog.SetStepPos(40);
    seen.stepAt40 = PixelOf(window, 1025, lastBlueOf40, step.bottom - 1);

    dialog.SetTotalPos(40);
    Settle(window);  // the repaint this change asked for is done before the bar is covered
    Cover(window, 1033, marker);
    dialog.SetTotalPos(40);  // unchanged: no redraw
    seen.totalAfterSame = PixelOf(window, 1033, 0, total.bottom - 1);
    dialog.SetTotalPos(41);  // changed: drawn at once
    seen.totalAfterChange = PixelOf(window, 1033, 0, total.bottom - 1);
    seen.totalPos = dialog.GetTotalPos();

    Cover(window, 1025, marker);
    dialog.SetStepPos(40);  // the step bar redraws on every call
    seen.stepAfterSame = PixelOf(window, 1025, 0, step.bottom - 1);

    seen.intervalBefore = dialog.GetAnimInterval();
    seen.spanBefore = dialog.GetAnimSpan();
    dialog.SetAnimInterval(250);
    dialog.SetAnimSpan(7);
    seen.intervalAfter = dialog.GetAnimInterval();
    seen.spanAfter = dialog.GetAnimSpan();
  });
  ASSERT_GT(seen.stepWidth, 0);
  ASSERT_GT(seen.totalWidth, 0);
  EXPECT_EQ(kBlue, seen.stepAt40);
  EXPECT_EQ(marker, seen.totalAfterSame);
  EXPECT_EQ(kBlue, seen.totalAfterChange);
  EXPECT_EQ(41, seen.totalPos);
  EXPECT_EQ(kBlue, seen.stepAfterSame);
  EXPECT_EQ(100, seen.intervalBefore);
  EXPECT_EQ(10, seen.spanBefore);
  EXPECT_EQ(250, seen.intervalAfter);
  EXPECT_EQ(7, seen.spanAfter);
}

// With a non-zero units digit of "SetupType" the small template has only the status text: the
// bar operations keep their values and draw nothing, the status still shows.
TEST_F(ProgressDialog, StatusOnlyTemplateRunsWithoutBars) {
  SetSetupType("21");
  ObservedProgressDlg dialog;
  EXPECT_EQ(136u, dialog.GetTemplateId());
  bool barsMissing = false, statusShown = false;
  int bluePixels = -1;
  const INT_PTR result = RunDriven(dialog, [&](HWND window) {
    barsMissing = !::GetDlgItem(window, 1025) && !::GetDlgItem(window, 1033);
    dialog.SetStepPos(50);
    dialog.SetTotalPos(100);
    statusShown = ShowStatus(dialog, window, "status only");
    RECT client = {};
    ::GetClientRect(window, &client);
    ScopedWindowDC dc(window);
    bluePixels = 0;
    for (int y = 0; y < client.bottom; y += 2)
      for (int x = 0; x < client.right; x += 2) bluePixels += ::GetPixel(dc.Get(), x, y) == kBlue;
  });
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_TRUE(barsMissing);
  EXPECT_EQ(100, dialog.GetTotalPos());
  EXPECT_TRUE(statusShown);
  EXPECT_EQ(0, bluePixels);
  EXPECT_EQ(ClientName() + " " + LongCaption().substr(0, 48), dialog.m_initial.title);
}

}  // namespace
