// Start-up: the failure message when the language pack cannot load, the answers the
// confirmation leaves in the application object, the choice of procedure with the companion
// programs it puts in place, and the real Uninstall.exe started in a prepared folder and worked
// like a person would.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/startup.h"
#include "app/uninstall_app.h"
#include "cleanup/steps/setup_values.h"
#include "framework/handles.h"
#include "framework/wide_text.h"
#include "startup_window_helpers.h"
#include "support/test_support.h"
#include "support/test_thread.h"
#include "ui/lang_dialog.h"
#include "ui/res/resource.h"

namespace {

using startup_test::Utf8FromCodePage;
using startup_test::WindowText;

constexpr char kSystemSetKey[] = "SOFTWARE\\Mirel_Mini\\Dorn_pppoe2\\systemset";
constexpr DWORD kExitWait = 30000;

std::string SystemDir() {
  char dir[MAX_PATH] = {};
  ::GetSystemDirectoryA(dir, MAX_PATH);
  return dir;
}

std::string FinishingProgramCopy() { return SystemDir() + "\\Unl.exe"; }

void RemoveFile(const std::string& path) {
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(path.c_str());
}

std::string FileBytes(const std::string& path) {
  std::string bytes;
  return test::ReadFileBytes(path, bytes) ? bytes : std::string("<missing>");
}

void DeleteRegValue(const char* keyPath, const char* name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  ::RegDeleteValueA(key, name);
  ::RegCloseKey(key);
}

int VisibleButtons(HWND dialog) {
  int buttons = 0;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (startup_test::ClassName(child) == "Button" && ::IsWindowVisible(child)) ++buttons;
  return buttons;
}

// The setup values that "Uninstall.bin" writes: saved and removed before a test, put back after.
class SetupValuesGuard {
public:
  SetupValuesGuard() {
    for (Value& v : m_values) {
      v.existed = test::ReadRegString(HKEY_LOCAL_MACHINE, v.key, v.name, v.old);
      DeleteRegValue(v.key, v.name);
    }
  }
  ~SetupValuesGuard() {
    for (Value& v : m_values) {
      if (v.existed)
        test::WriteRegString(HKEY_LOCAL_MACHINE, v.key, v.name, v.old);
      else
        DeleteRegValue(v.key, v.name);
    }
  }
  SetupValuesGuard(const SetupValuesGuard&) = delete;
  SetupValuesGuard& operator=(const SetupValuesGuard&) = delete;

private:
  struct Value {
    Value(const char* keyPath, const char* valueName) : key(keyPath), name(valueName) {}
    const char* key;
    const char* name;
    bool existed = false;
    std::string old;
  };
  Value m_values[8] = {{kDefaultSetupKey, "SetupType"}, {kDefaultSetupKey, "zString2"},
                       {kDefaultSetupKey, "zString3"},  {kDefaultSetupKey, "zString5"},
                       {kDefaultSetupKey, "zString6"},  {kDefaultSetupKey, "zString7"},
                       {kDefaultSetupKey, "SetupInfoRegPath"}, {kSystemSetKey, "LogMode"}};
};

std::string SetupValue(const char* key, const char* name) {
  std::string value;
  return test::ReadRegString(HKEY_LOCAL_MACHINE, key, name, value) ? value : std::string("<missing>");
}

// Checks that every value of the sample "Uninstall.bin" is in the registry as written there.
void ExpectSampleSetupValuesImported() {
  EXPECT_EQ("20", SetupValue(kDefaultSetupKey, "SetupType"));
  EXPECT_EQ("SOFTWARE\\Mirel_Mini\\Dorn_pppoe\\SetupInfo\\", SetupValue(kDefaultSetupKey, "SetupInfoRegPath"));
  EXPECT_EQ("FALSE", SetupValue(kSystemSetKey, "LogMode"));
  EXPECT_EQ(u8"Mirel无线宽带卸载", Utf8FromCodePage(SetupValue(kDefaultSetupKey, "zString2"), 936));
  EXPECT_EQ(u8"Mirel无线宽带客户端正在运行。|是否关闭客户端并继续卸载？",
            Utf8FromCodePage(SetupValue(kDefaultSetupKey, "zString3"), 936));
  for (const char* name : {"zString5", "zString6", "zString7"})
    EXPECT_NE("<missing>", SetupValue(kDefaultSetupKey, name)) << name;
}

// Rows of a window's area on the screen that hold text ink: pixels much darker than the dialog
// background around them.
int InkRows(HWND window) {
  RECT rect = {};
  if (!::GetWindowRect(window, &rect)) return 0;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP canvas = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = ::SelectObject(memory, canvas);
  ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  int rows = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const COLORREF pixel = ::GetPixel(memory, x, y);
      if (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 96) {
        ++rows;
        break;
      }
    }
  }
  ::SelectObject(memory, old);
  ::DeleteObject(canvas);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return rows;
}

// Copies the sample client's files the start-up reads into a folder.
void CopySampleFile(const test::TempDir& dir, const char* name) {
  ASSERT_TRUE(::CopyFileA((test::SampleClientDir() + "\\" + name).c_str(), (dir / name).c_str(), FALSE))
      << name << " from " << test::SampleClientDir();
}

// Start-up of a test-owned application object, with its program folder set by the test. The
// dialogs and message boxes show on this thread and are worked from another one.
class StartupInProcess : public ::testing::Test {
protected:
  void SetUp() override { RemoveFile(kDetectorCopyPath); }
  // The program always ends through ExitInstance, which also undoes what start-up installed.
  void TearDown() override {
    m_app.ExitInstance();
    g_hDialogFont = nullptr;
    RemoveFile(kDetectorCopyPath);
  }

  // Runs StartAndConfirm while act(first dialog of this thread) runs on another thread.
  CUninstallApp::StartupResult RunDriven(const std::function<void(HWND)>& act) {
    const DWORD threadId = ::GetCurrentThreadId();
    bool found = false;
    test::Thread driver([&] {
      HWND hwnd = startup_test::WaitForDialog(::GetCurrentProcessId(), threadId);
      if (!hwnd) return;
      found = true;
      act(hwnd);
      if (!test::WaitUntil([&] { return !::IsWindow(hwnd) || !::IsWindowVisible(hwnd); }))
        ::PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    });
    const CUninstallApp::StartupResult result = m_app.StartAndConfirm(WideFromAnsi(m_dir.Path()));
    driver.Join();
    EXPECT_TRUE(found) << "no dialog showed";
    return result;
  }

  SetupValuesGuard m_values;
  test::TempDir m_dir;
  CUninstallApp m_app;
};

TEST_F(StartupInProcess, WithoutThePackOnlyTheFailureMessageShows) {
  CopySampleFile(m_dir, "Uninstall.bin");
  const HFONT untouched = reinterpret_cast<HFONT>(0x1234);
  g_hDialogFont = untouched;
  std::string caption, texts;
  int buttons = 0;
  const auto result = RunDriven([&](HWND box) {
    caption = WindowText(box);
    for (const std::string& text : startup_test::StaticTexts(box)) texts += text;
    buttons = VisibleButtons(box);
    startup_test::Click(box, IDOK);
  });
  EXPECT_EQ(CUninstallApp::StartupResult::PackNotLoaded, result);
  // The message follows this system's language; the exact texts per language are checked with
  // the real program below.
  const PackFailureMessage expected =
      PackFailureMessageFor(LanguageCodeFromSystem(::GetSystemDefaultLangID(), ::GetACP()));
  EXPECT_EQ(Utf8FromCodePage(expected.caption, CP_ACP), caption);
  EXPECT_EQ(Utf8FromCodePage(expected.text, CP_ACP), texts);
  EXPECT_EQ(1, buttons);
  EXPECT_FALSE(m_app.m_langPack.IsLoaded());
  EXPECT_EQ(untouched, g_hDialogFont);
  EXPECT_EQ(nullptr, m_app.m_run.progressDlg);
  EXPECT_EQ("<missing>", SetupValue(kDefaultSetupKey, "SetupType")) << "imported although nothing was asked";
}

TEST_F(StartupInProcess, CancelLeavesTheImportedValuesAndStoresNoAnswer) {
  CopySampleFile(m_dir, "Language.xml");
  CopySampleFile(m_dir, "Uninstall.bin");
  std::string title;
  struct Checks {
    UINT keepDriver, keepData, clientOnly, all;
  } checks = {99, 99, 99, 99};
  LRESULT defaultId = 0;
  bool asked = false;
  const auto result = RunDriven([&](HWND dialog) {
    title = WindowText(dialog);
    // The boxes' starting states and the default button, as the dialog's own thread sees them.
    asked = startup_test::CallOnWindowThread(dialog, [&] {
      checks = {::IsDlgButtonChecked(dialog, IDC_KEEP_CARD_DRIVER), ::IsDlgButtonChecked(dialog, IDC_KEEP_USER_DATA),
                ::IsDlgButtonChecked(dialog, IDC_RADIO_CLIENT_ONLY), ::IsDlgButtonChecked(dialog, IDC_RADIO_ALL)};
      defaultId = ::SendMessageA(dialog, DM_GETDEFID, 0, 0);
    });
    // The values are in the registry while the question is still open.
    startup_test::Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(CUninstallApp::StartupResult::Cancelled, result);
  EXPECT_EQ(u8"Mirel无线宽带卸载向导", title);
  ASSERT_TRUE(asked) << "the dialog's thread did not take the posted call";
  EXPECT_EQ(static_cast<UINT>(BST_CHECKED), checks.keepDriver);
  EXPECT_EQ(static_cast<UINT>(BST_CHECKED), checks.keepData);
  EXPECT_EQ(static_cast<UINT>(BST_CHECKED), checks.clientOnly);
  EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), checks.all);
  EXPECT_EQ(MAKELRESULT(IDCANCEL, DC_HASDEFID), defaultId);
  ExpectSampleSetupValuesImported();
  EXPECT_TRUE(m_app.m_langPack.IsLoaded());
  EXPECT_NE(nullptr, g_hDialogFont);
  EXPECT_EQ(m_app.m_langPack.GetFont(), g_hDialogFont);
  EXPECT_NE(nullptr, m_app.m_run.progressDlg);
  EXPECT_EQ(0, m_app.m_run.keepCardDriver);
  EXPECT_EQ(0, m_app.m_run.deleteUserData);
}

TEST_F(StartupInProcess, OkStoresBothAnswersWithTheirSenses) {
  CopySampleFile(m_dir, "Language.xml");
  CopySampleFile(m_dir, "Uninstall.bin");
  struct Case {
    bool uncheckDriver, uncheckData;
    int keepCardDriver, deleteUserData;
  } cases[] = {{false, false, 1, 0}, {true, false, 0, 0}, {false, true, 1, 1}, {true, true, 0, 1}};
  for (const Case& c : cases) {
    m_app.m_run.keepCardDriver = -1;
    m_app.m_run.deleteUserData = -1;
    const auto result = RunDriven([&](HWND dialog) {
      // Posted clicks, taken by the dialog's thread in order: the boxes first, then OK.
      if (c.uncheckDriver) startup_test::Click(dialog, IDC_KEEP_CARD_DRIVER);
      if (c.uncheckData) startup_test::Click(dialog, IDC_KEEP_USER_DATA);
      startup_test::Click(dialog, IDOK);
    });
    EXPECT_EQ(CUninstallApp::StartupResult::Confirmed, result);
    EXPECT_EQ(c.keepCardDriver, m_app.m_run.keepCardDriver) << c.uncheckDriver << c.uncheckData;
    EXPECT_EQ(c.deleteUserData, m_app.m_run.deleteUserData) << c.uncheckDriver << c.uncheckData;
  }
  // The progress dialog object is made once and kept.
  EXPECT_NE(nullptr, m_app.m_run.progressDlg);
}

TEST_F(StartupInProcess, ExitDeletesTheDetectorCopyWhateverItsAttributes) {
  ASSERT_TRUE(test::WriteFileBytes(kDetectorCopyPath, "stale detector"));
  ASSERT_TRUE(::SetFileAttributesA(kDetectorCopyPath, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(0, m_app.ExitInstance());
  EXPECT_FALSE(test::FileExists(kDetectorCopyPath));
  // Nothing to delete is fine too.
  EXPECT_EQ(0, m_app.ExitInstance());
  EXPECT_FALSE(test::FileExists(kDetectorCopyPath));
  // A second name of someone else's read-only file goes as a name; their file keeps its mark.
  test::TempDir outside;
  const std::string theirs = outside / "theirs.exe";
  ASSERT_TRUE(test::WriteFileBytes(theirs, "someone else's"));
  ASSERT_TRUE(::CreateHardLinkA(kDetectorCopyPath, theirs.c_str(), nullptr));
  ASSERT_TRUE(::SetFileAttributesA(theirs.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(0, m_app.ExitInstance());
  EXPECT_NE(0u, ::GetFileAttributesA(theirs.c_str()) & FILE_ATTRIBUTE_READONLY);
  std::string bytes;
  EXPECT_TRUE(test::ReadFileBytes(theirs, bytes) && bytes == "someone else's");
  ::SetFileAttributesA(theirs.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::SetFileAttributesA(kDetectorCopyPath, FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(kDetectorCopyPath);
}

TEST(PackFailureMessage, ChineseForCodeZeroEnglishOtherwise) {
  struct Case {
    int code;
    const char* caption;
    const char* text;
  } cases[] = {
      {0, u8"提示", u8"加载语言包失败，安装退出"},
      {1, "Tip", "Load language pack failure"},
      {2, "Tip", "Load language pack failure"},
      {7, "Tip", "Load language pack failure"},
  };
  for (const Case& c : cases) {
    const PackFailureMessage message = PackFailureMessageFor(c.code);
    EXPECT_EQ(c.caption, Utf8FromCodePage(message.caption, 936)) << c.code;
    EXPECT_EQ(c.text, Utf8FromCodePage(message.text, 936)) << c.code;
  }
}

// The choice as a program sees it under each Windows version Wine can pretend to be, with and
// without the detector tool beside it, and the files it leaves where the procedures expect them.
TEST(ProcedureChoice, ByOsClassAndSetupTypeWithTheCompanionsPutInPlace) {
  struct Case {
    const char* version;
    const char* setupType;  // null: no value
    bool detector;
    UninstallProcedure procedure;
  } cases[] = {
      {"win98", nullptr, true, UninstallProcedure::Legacy},
      {"winme", nullptr, true, UninstallProcedure::Legacy},
      {"nt40", nullptr, true, UninstallProcedure::Legacy},
      {"win98", nullptr, false, UninstallProcedure::DetectorMissing},
      {"winme", nullptr, false, UninstallProcedure::DetectorMissing},
      {"win2k", nullptr, true, UninstallProcedure::Full},
      {"winxp", nullptr, true, UninstallProcedure::Full},
      {"win10", nullptr, false, UninstallProcedure::Full},
      {"win98", "35", true, UninstallProcedure::SetupType},
      {"winxp", "35", true, UninstallProcedure::SetupType},
      {"win2k", "30", false, UninstallProcedure::SetupType},
      {"winxp", "3", true, UninstallProcedure::Full},
      {"win98", "300", true, UninstallProcedure::Legacy},
      {"winxp", "20", true, UninstallProcedure::Full},
  };
  SetupValuesGuard values;
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir / "Unl.exe", "finishing program"));
  // The probe finds the companions beside itself.
  const std::string probe = dir / "startup_choice_probe.exe";
  ASSERT_TRUE(::CopyFileA((test::ExeDir() + "\\startup_choice_probe.exe").c_str(), probe.c_str(), FALSE));
  for (const Case& c : cases) {
    const std::string what = std::string(c.version) + " SetupType " + (c.setupType ? c.setupType : "missing") +
                             (c.detector ? " with" : " without") + " Ipdetect.exe";
    RemoveFile(FinishingProgramCopy());
    RemoveFile(kDetectorCopyPath);
    if (c.detector)
      ASSERT_TRUE(test::WriteFileBytes(dir / "Ipdetect.exe", "detector"));
    else
      RemoveFile(dir / "Ipdetect.exe");
    if (c.setupType)
      ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "SetupType", c.setupType));
    else
      DeleteRegValue(kDefaultSetupKey, "SetupType");
    test::SetWineVersionFor("startup_choice_probe.exe", c.version);

    EXPECT_EQ(static_cast<long>(c.procedure), test::RunAndWait("\"" + probe + "\""))
        << what;
    const bool copiesUnl = c.procedure != UninstallProcedure::SetupType;
    EXPECT_EQ(copiesUnl ? "finishing program" : "<missing>", FileBytes(FinishingProgramCopy())) << what;
    const bool legacy = c.procedure == UninstallProcedure::Legacy;
    EXPECT_EQ(legacy ? "detector" : "<missing>", FileBytes(kDetectorCopyPath)) << what;
  }
  test::SetWineVersionFor("startup_choice_probe.exe", "");
  RemoveFile(FinishingProgramCopy());
  RemoveFile(kDetectorCopyPath);
}

// The real program in a folder of its own with the sample client's language pack and setup
// values, started like the user starts it and worked through its windows.
class RealProgram : public ::testing::Test {
protected:
  void SetUp() override {
    m_exe = m_dir / "Uninstall.exe";
    ASSERT_TRUE(::CopyFileA((test::ProductDir() + "\\Uninstall.exe").c_str(), m_exe.c_str(), FALSE));
    CopySampleFile(m_dir, "Language.xml");
    CopySampleFile(m_dir, "Uninstall.bin");
    ASSERT_TRUE(test::WriteFileBytes(m_dir / "Unl.exe", "finishing program"));
    RemoveFile(FinishingProgramCopy());
    // A detector copy left by an earlier run: every run must remove it at its end.
    ASSERT_TRUE(test::WriteFileBytes(kDetectorCopyPath, "stale detector"));
  }
  void TearDown() override {
    if (m_process.IsValid() && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(m_process.Get(), 1);
      ::WaitForSingleObject(m_process.Get(), kExitWait);
    }
    test::SetWineVersionFor("Uninstall.exe", "");
    RemoveFile(FinishingProgramCopy());
    RemoveFile(kDetectorCopyPath);
  }

  // Starts the program in this test's locale; false when it could not start.
  bool Start() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + m_exe + "\"";
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          m_dir.Path().c_str(), &startup, &process))
      return false;
    ::CloseHandle(process.hThread);
    m_process.Reset(process.hProcess);
    m_processId = process.dwProcessId;
    return true;
  }

  // Starts the program on a system of another language (a Unix locale of Wine's).
  bool StartUnderLocale(const char* locale) {
    if (!startup_test::StartUnderLocale(locale, m_exe)) return false;
    m_processId = startup_test::WaitForProcess(m_exe);
    if (!m_processId) return false;
    m_process.Reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, m_processId));
    return m_process.IsValid();
  }

  HWND WaitForDialog() { return startup_test::WaitForDialog(m_processId); }

  // True when the program ended within the wait; its exit code in exitCode.
  bool WaitForExit(DWORD& exitCode) {
    if (::WaitForSingleObject(m_process.Get(), kExitWait) != WAIT_OBJECT_0) return false;
    return ::GetExitCodeProcess(m_process.Get(), &exitCode) != FALSE;
  }

  // Nothing of the client is removed and nothing put in place by a run that ended before the
  // procedure was chosen; the detector copy is gone.
  void ExpectNothingRemovedOrCopied(const std::string& what) {
    for (const std::string& name : m_files)
      EXPECT_TRUE(test::FileExists(m_dir / name)) << name << " after " << what;
    EXPECT_FALSE(test::FileExists(FinishingProgramCopy())) << what;
    EXPECT_FALSE(test::FileExists(kDetectorCopyPath)) << what;
  }

  SetupValuesGuard m_values;
  test::TempDir m_dir;
  std::vector<std::string> m_files = {"Uninstall.exe", "Language.xml", "Uninstall.bin", "Unl.exe"};
  std::string m_exe;
  ScopedHandle m_process;
  DWORD m_processId = 0;
};

TEST_F(RealProgram, WithoutThePackTheFailureMessageShowsInTheSystemLanguage) {
  RemoveFile(m_dir / "Language.xml");
  m_files = {"Uninstall.exe", "Uninstall.bin", "Unl.exe"};
  struct Case {
    const char* locale;
    const char* caption;
    const char* text;
  } cases[] = {
      {"zh_CN.UTF-8", u8"提示", u8"加载语言包失败，安装退出"},
      {"en_US.UTF-8", "Tip", "Load language pack failure"},
      {"zh_TW.UTF-8", "Tip", "Load language pack failure"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(test::WriteFileBytes(kDetectorCopyPath, "stale detector"));
    ASSERT_TRUE(StartUnderLocale(c.locale)) << c.locale;
    HWND box = WaitForDialog();
    ASSERT_NE(nullptr, box) << c.locale;
    EXPECT_EQ(c.caption, WindowText(box)) << c.locale;
    const std::vector<std::string> texts = startup_test::StaticTexts(box);
    EXPECT_EQ(std::vector<std::string>{c.text}, texts) << c.locale;
    EXPECT_EQ(nullptr, ::GetWindow(box, GW_OWNER)) << c.locale;
    EXPECT_EQ(1, VisibleButtons(box)) << "an OK button only, " << c.locale;
    startup_test::Click(box, IDOK);
    DWORD exitCode = 99;
    ASSERT_TRUE(WaitForExit(exitCode)) << c.locale;
    EXPECT_EQ(1603u, exitCode) << c.locale;
    ExpectNothingRemovedOrCopied(c.locale);
    EXPECT_EQ("<missing>", SetupValue(kDefaultSetupKey, "SetupType")) << "imported, " << c.locale;
  }
}

TEST_F(RealProgram, TheConfirmationShowsTheChinesePack) {
  ASSERT_TRUE(StartUnderLocale("zh_CN.UTF-8"));
  HWND dialog = WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(u8"Mirel无线宽带卸载向导", WindowText(dialog));
  struct Control {
    int id;
    const char* text;
    bool visible;
  } controls[] = {
      {IDC_QUESTION, u8"检测到本计算机已安装Mirel无线宽带客户端，现在确定要卸载该软件吗？", true},
      {IDC_CLOSE_NOTICE,
       u8"卸载该软件时要关闭网上邻居窗口，并且关闭所有打开的IE浏览器，否则本软件不能正常卸载。", false},
      {IDC_RADIO_ALL, u8"卸载客户端软件和所有驱动", false},
      {IDC_RADIO_CLIENT_ONLY, u8"保留上网卡驱动", false},
      {IDOK, u8"确定", true},
      {IDCANCEL, u8"取消", true},
      {IDC_KEEP_USER_DATA, u8"保留相关用户信息（拨号账号设置和上网记录）", true},
      {IDC_KEEP_CARD_DRIVER, u8"保留上网卡驱动", true},
  };
  for (const Control& c : controls) {
    HWND control = ::GetDlgItem(dialog, c.id);
    ASSERT_NE(nullptr, control) << c.id;
    EXPECT_EQ(c.text, WindowText(control)) << c.id;
    EXPECT_EQ(c.visible, ::IsWindowVisible(control) != FALSE) << c.id;
  }
  // The boxes' starting states and the default button need the dialog's own answer: they are
  // checked inside the process (StartupInProcess.CancelLeavesTheImportedValuesAndStoresNoAnswer).
  EXPECT_EQ(reinterpret_cast<HANDLE>(1), ::GetPropA(dialog, "UNINSTALL_HWND"));
  // The setup values are imported before the question.
  ExpectSampleSetupValuesImported();

  startup_test::Click(dialog, IDCANCEL);
  DWORD exitCode = 99;
  ASSERT_TRUE(WaitForExit(exitCode));
  EXPECT_EQ(1602u, exitCode);
}

// Wine answers WM_GETFONT from another process with 0 (message boxes included), so the font of
// the real program is seen where it shows: the pack's font size decides how tall the question's
// text is on the screen. The dialog's WM_GETFONT answer is checked in the dialog's own tests.
TEST_F(RealProgram, TheQuestionIsWrittenInThePackFont) {
  std::string pack;
  ASSERT_TRUE(test::ReadFileBytes(m_dir / "Language.xml", pack));
  const std::string small = "fontsize=\"12\"";
  const size_t at = pack.find(small);
  ASSERT_NE(std::string::npos, at);
  int inkRows[2] = {0, 0};
  const char* sizes[2] = {"fontsize=\"12\"", "fontsize=\"24\""};
  for (int i = 0; i < 2; ++i) {
    std::string variant = pack;
    variant.replace(at, small.size(), sizes[i]);
    ASSERT_TRUE(test::WriteFileBytes(m_dir / "Language.xml", variant));
    ASSERT_TRUE(Start()) << sizes[i];
    HWND dialog = WaitForDialog();
    ASSERT_NE(nullptr, dialog) << sizes[i];
    HWND question = ::GetDlgItem(dialog, IDC_QUESTION);
    // Polled until the painting has settled: the same answer three times running.
    int same = 0;
    test::WaitUntil([&] {
      const int rows = InkRows(question);
      same = rows > 0 && rows == inkRows[i] ? same + 1 : 0;
      inkRows[i] = rows;
      return same >= 3;
    });
    startup_test::Click(dialog, IDCANCEL);
    DWORD exitCode = 99;
    ASSERT_TRUE(WaitForExit(exitCode)) << sizes[i];
  }
  EXPECT_GT(inkRows[0], 0);
  EXPECT_GT(inkRows[1], inkRows[0] * 3 / 2) << "height 12: " << inkRows[0] << " rows, height 24: " << inkRows[1];
}

TEST_F(RealProgram, DecliningEndsWithNothingRemovedAndTheSetupValuesImported) {
  struct Case {
    const char* what;
    std::function<void(HWND)> act;
  } cases[] = {
      {"Cancel", [](HWND h) { startup_test::Click(h, IDCANCEL); }},
      {"Escape", [](HWND h) { startup_test::PressKeyOn(h, IDC_KEEP_USER_DATA, VK_ESCAPE); }},
      {"Enter on a check box", [](HWND h) { startup_test::PressKeyOn(h, IDC_KEEP_CARD_DRIVER, VK_RETURN); }},
      {"close box", [](HWND h) { ::PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const Case& c : cases) {
    SetupValuesGuard values;
    ASSERT_TRUE(test::WriteFileBytes(kDetectorCopyPath, "stale detector"));
    ASSERT_TRUE(Start()) << c.what;
    HWND dialog = WaitForDialog();
    ASSERT_NE(nullptr, dialog) << c.what;
    c.act(dialog);
    DWORD exitCode = 99;
    ASSERT_TRUE(WaitForExit(exitCode)) << c.what;
    EXPECT_EQ(1602u, exitCode) << c.what;
    ExpectNothingRemovedOrCopied(c.what);
    ExpectSampleSetupValuesImported();
  }
}

TEST_F(RealProgram, ALegacySystemWithoutTheDetectorEndsSilentlyAfterOk) {
  // A detector copy left behind would count as the detector in place.
  RemoveFile(kDetectorCopyPath);
  test::SetWineVersionFor("Uninstall.exe", "win98");
  ASSERT_TRUE(Start());
  HWND dialog = WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  startup_test::Click(dialog, IDOK);
  // No further window may show before the program ends.
  bool otherWindow = false;
  ASSERT_TRUE(test::WaitUntil(
      [&] {
        for (HWND shown : startup_test::VisibleDialogs(m_processId))
          if (shown != dialog) otherWindow = true;
        return otherWindow || ::WaitForSingleObject(m_process.Get(), 0) == WAIT_OBJECT_0;
      },
      kExitWait));
  EXPECT_FALSE(otherWindow);
  DWORD exitCode = 99;
  ASSERT_TRUE(WaitForExit(exitCode));
  EXPECT_EQ(1603u, exitCode);
  EXPECT_EQ("finishing program", FileBytes(FinishingProgramCopy()));
  EXPECT_FALSE(test::FileExists(kDetectorCopyPath));
  ExpectSampleSetupValuesImported();
}

}  // namespace
