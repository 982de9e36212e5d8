// The whole uninstall on Windows 2000 and later, end to end: the sample client installed, the
// real Uninstall.exe worked like a person, and the whole Windows compared before and after with
// exactly what should have gone.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <set>
#include <string>
#include <vector>

#include "app/startup.h"
#include "framework/shell_folders.h"
#include "framework/handles.h"
#include "framework/wide_text.h"
#include "sample-client/file-locker/file_locker_control.h"
#include "support/killed_run.h"
#include "support/sample_install.h"
#include "support/security_table.h"
#include "support/shell_layout.h"
#include "support/test_support.h"
#include "support/uninstall_expectations.h"
#include "support/windows64.h"

namespace {

using test::DriveOptions;
using test::Expectation;
using test::SampleInstallation;
using test::UninstallRun;

class FullUninstall : public ::testing::Test {
protected:
  void Install(const std::string& args = std::string()) {
    ASSERT_TRUE(m_install.Install(args)) << m_install.Output();
  }
  void ExpectFootprint(const UninstallRun& run, const Expectation& e) { test::ExpectFootprint(m_install, run, e); }
  SampleInstallation m_install;
};

// Fails on any removal outside the client's footprint (what it installed, its data included).
void ExpectOnlyTheClientsItemsRemoved(const SampleInstallation& install, const UninstallRun& run,
                                      const std::string& planted = std::string());

struct MatrixCase {
  const char* os;
  int keepDriver;
  int keepData;
  bool windows64 = false;  // the 32-bit program on a 64-bit Windows, under WoW64
  const char* olderRoutes = "";  // capabilities switched off (support/fallbacks.h)
  const char* layout = "";       // the shell folders of an older system (support/shell_layout.h)
};

TEST_F(FullUninstall, RemovesTheClientOnEachSystemWithEachChoice) {
  ASSERT_EQ(test::In64BitWindows(), test::RunningUnderWow64()) << "the 64-bit Windows rows need a 64-bit prefix";
  const MatrixCase cases[] = {{"win2k", 1, 1}, {"win2k", 0, 0}, {"win2k", 0, 1}, {"winxp", 1, 1}, {"winxp", 0, 0},
                              {"winxp", 1, 0}, {"win10", 1, 1}, {"win10", 0, 0}, {"win10", 0, 1},
                              {"win10", 1, 1, true}, {"win10", 0, 0, true},
                              {"win2k", 0, 0, false, "all"},
                              // A Windows 2000 upgraded from NT 4.0 keeps the profiles below the Windows folder.
                              {"win2k", 1, 0, false, "", "nt40"}};
  for (const MatrixCase& c : cases) {
    if (c.windows64 != test::In64BitWindows()) continue;
    // Other products' keys in both registry views, among them the 64-bit view's namesake of the
    // client's key (the 32-bit client's own lives in the 32-bit view): none is the client's.
    const std::pair<const char*, REGSAM> otherKeys[] = {
        {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OtherDialer", KEY_WOW64_64KEY},
        {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OtherDialer", KEY_WOW64_32KEY},
        {"SOFTWARE\\Mirel_Mini", KEY_WOW64_64KEY}};
    std::vector<std::unique_ptr<test::OtherProductKey>> others;
    if (c.windows64)
      for (const auto& key : otherKeys) others.push_back(std::make_unique<test::OtherProductKey>(key.first, key.second));
    SCOPED_TRACE(std::string(c.os) + " keep-driver " + std::to_string(c.keepDriver) + " keep-data " +
                 std::to_string(c.keepData) + " without " + c.olderRoutes + " layout " + c.layout);
    std::unique_ptr<test::COlderShellLayout> layout;
    if (*c.layout) {
      layout = std::make_unique<test::COlderShellLayout>(c.layout);
      ASSERT_TRUE(layout->Ready());
    }
    Install();
    std::unique_ptr<test::OlderRoutes> olderRoutes;
    if (*c.olderRoutes) {
      olderRoutes = std::make_unique<test::OlderRoutes>(m_install, c.olderRoutes);
      ASSERT_TRUE(olderRoutes->Ready());
    }
    DriveOptions drive;
    drive.keepDriver = c.keepDriver;
    drive.keepData = c.keepData;
    const UninstallRun run = test::RunUninstall(m_install, c.os, drive);
    // Removing the drivers asks for a restart to complete it.
    EXPECT_EQ(c.keepDriver ? 0 : 3010, run.exitCode) << run.transcript;
    // The person saw the question, the progress and the closing message, in that order.
    const size_t confirm = run.transcript.find("window confirm");
    const size_t progress = run.transcript.find("window progress");
    const size_t done = run.transcript.find("window message");
    EXPECT_TRUE(confirm < progress && progress < done && done != std::string::npos) << run.transcript;
    Expectation e;
    e.os = c.os;
    e.keepData = c.keepData;
    ExpectFootprint(run, e);
    // The drivers go through the driver library only when the user did not keep them.
    EXPECT_EQ(c.keepDriver == 0, test::StandInLog("DriverSetup").find("UninstallAllDriver") != std::string::npos);
    // The shared PPPoE component goes with its batch file on Windows 2000 only.
    EXPECT_EQ(std::string(c.os) == "win2k", !test::StandInLog("uninstall_bat").empty());
    // The finishing program got the full procedure's code and the uninstaller's own path.
    EXPECT_NE(std::string::npos, test::StandInLog("Unl").find("21," + UninstallerPathForFinishing(m_install, e)))
        << test::StandInLog("Unl");
    EXPECT_NE(std::string::npos, test::StandInLog("Unin").find("-Qlume")) << test::StandInLog("Unin");
    // It starts in the system folder the uninstaller really reaches (under WoW64 the 32-bit one).
    EXPECT_NE(std::string::npos, test::LowerPath(test::StandInLog("Unin")).find("folder " + test::LowerPath(test::SystemFolderOnDisk())))
        << test::StandInLog("Unin");
    for (const auto& other : others) EXPECT_TRUE(other->Exists());
    m_install.Remove();
  }
}

TEST_F(FullUninstall, SharedPppoeRegisterKeepsAnotherProduct) {
  Install("/other-pppoe");
  const UninstallRun run = test::RunUninstall(m_install, "win2k", DriveOptions());
  Expectation e;
  e.os = "win2k";
  e.otherPppoe = true;
  ExpectFootprint(run, e);
  // Another product still uses the component: the batch file is not run.
  EXPECT_EQ("", test::StandInLog("uninstall_bat"));
}

TEST_F(FullUninstall, CancelRemovesNothing) {
  Install();
  DriveOptions drive;
  drive.cancel = true;
  const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
  EXPECT_EQ(test::Describe({}), test::Describe(run.Removed()));
  // Only the setup values imported before the question are new.
  for (const std::string& added : run.Added())
    EXPECT_EQ(0u, added.find("hklm\\software\\mirel_mini\\tem", 2) - 2) << added;
  EXPECT_EQ("", test::StandInLog("Unl"));
}

// Starts the installed client, as the user left it running, and waits for its window.
HANDLE StartInstalledClient(const SampleInstallation& install) {
  std::string cmd = "\"" + install.Folder() + "\\" + install.Define("PROGRAM_FILENAME") + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, install.Folder().c_str(), &si, &pi)) {
    const DWORD error = GetLastError();
    ADD_FAILURE() << "cannot start " << cmd << ": error " << error
                  << (GetFileAttributesA(cmd.substr(1, cmd.size() - 2).c_str()) == INVALID_FILE_ATTRIBUTES ? " (not there)" : "");
    return nullptr;
  }
  CloseHandle(pi.hThread);
  const std::string title = install.Define("PROGRAME_ENG_NAME");
  test::WaitUntil([&] { return FindWindowA(nullptr, title.c_str()) != nullptr; }, 30000);
  return pi.hProcess;
}

// Answered with the keyboard: Enter on the confirmation's OK, on the question's Yes and on the
// closing message.
TEST_F(FullUninstall, RunningClientIsClosedAfterYes) {
  Install();
  HANDLE client = StartInstalledClient(m_install);
  ASSERT_NE(nullptr, client);
  DriveOptions drive;
  drive.keys = true;
  const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
  // The question came before the progress, and the client was told to go, then ended.
  const size_t question = run.transcript.find("window question");
  EXPECT_TRUE(question < run.transcript.find("window progress")) << run.transcript;
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client, 30000));
  CloseHandle(client);
  const std::string clientLog = test::StandInLog("VUVizeduVidizi");
  EXPECT_LT(clientLog.find("message 0x0402"), clientLog.find("message 0x0401")) << clientLog;
  ExpectFootprint(run, Expectation());
}

// Answered with the keyboard: Enter on the confirmation's OK, then Tab to No and Enter.
TEST_F(FullUninstall, RunningClientKeptByNoLeavesEverythingInPlace) {
  Install();
  HANDLE client = StartInstalledClient(m_install);
  ASSERT_NE(nullptr, client);
  DriveOptions drive;
  drive.closeClient = false;
  drive.keys = true;
  const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
  EXPECT_NE(std::string::npos, run.transcript.find("window question")) << run.transcript;
  EXPECT_EQ(std::string::npos, run.transcript.find("window progress")) << run.transcript;
  // The client still runs, untouched, and nothing was removed.
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(client, 0));
  EXPECT_EQ(std::string::npos, test::StandInLog("VUVizeduVidizi").find("message")) << test::StandInLog("VUVizeduVidizi");
  Expectation e;
  e.nothingRemoved = true;
  ExpectFootprint(run, e);
  TerminateProcess(client, 0);
  WaitForSingleObject(client, 30000);
  CloseHandle(client);
}

// Starts "wineboot -r", Wine's restart, and waits for it: it carries out what was queued for the
// next restart (PendingFileRenameOperations and WININIT.INI).
bool RestartWindows() {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::string cmd = "wineboot.exe -r";
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  const bool ended = WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ended;
}

// What the system cannot delete now, wherever the client's files are (a file another program
// holds open in the installation or in the user's data, a library another process has loaded), is
// left, queued for the next restart with the folders it alone keeps, and the run asks for the
// restart; the restart removes them, and nothing else. Windows 98's WININIT.INI removes files only.
TEST_F(FullUninstall, FilesInUseAreLeftAndGoAtTheRestart) {
  struct HeldCase {
    const char* os;
    const char* held;        // below the installation folder (the user's data folder with inData); empty: the main program
    const char* mode = "hold";  // how it is kept (FileLocker.exe): held open, or "load"ed as a library
    bool inData = false;
    const char* olderRoutes = "";  // capabilities switched off (support/fallbacks.h)
  };
  const HeldCase cases[] = {{"winxp", ""},
                            {"winxp", "Data\\Cache\\session.dat"},
                            // Windows 98 itself: its routes, which the version alone no longer switches on.
                            {"win98", "Data\\Cache\\session.dat", "hold", false, "win9x"},
                            {"winxp", "Data\\Cache\\session.dat", "hold", false, "all"},
                            {"winxp", "Plugins\\ComServerNoExport.dll", "load"},
                            {"winxp", "Cache\\index.dat", "hold", true}};
  const std::string data = ShellFolderPath(CSIDL_APPDATA) + "\\Teloris";
  for (const HeldCase& c : cases) {
    SCOPED_TRACE(std::string(c.os) + " " + c.mode + " " + c.held + " without " + c.olderRoutes);
    Install();
    std::unique_ptr<test::OlderRoutes> olderRoutes;
    if (*c.olderRoutes) {
      olderRoutes = std::make_unique<test::OlderRoutes>(m_install, c.olderRoutes);
      ASSERT_TRUE(olderRoutes->Ready());
    }
    const bool mainProgram = c.held[0] == '\0';
    const std::string folder = c.inData ? data : m_install.Folder();
    const std::string held = folder + "\\" + (mainProgram ? m_install.Define("PROGRAM_FILENAME") : c.held);
    if (c.inData) {
      CreateDirectoryA(held.substr(0, held.rfind('\\')).c_str(), nullptr);
      ASSERT_TRUE(test::WriteFileBytes(held, "the user's"));
    }
    DriveOptions drive;
    drive.keepData = c.inData ? 0 : 1;
    const std::string log = test::StandInLogDir() + "\\held.log";
    DeleteFileA(log.c_str());
    drive.arguments = "\"/LOG=" + log + "\"";
    UninstallRun run;
    {
      FileLockerProcess locker(test::SampleClientDir() + "\\FileLocker.exe", held, c.mode);
      ASSERT_TRUE(locker.Locked());
      run = test::RunUninstall(m_install, c.os, drive);
    }
    // Windows 95, 98 and Me remove no folders at the restart: the folder that held the file stays,
    // and the run says so (1603); elsewhere only what the restart removes is left.
    const bool foldersStay = std::string(c.olderRoutes) == "win9x";
    EXPECT_EQ(foldersStay ? 1603 : 3010, run.exitCode) << run.transcript;
    Expectation e;
    e.os = c.os;
    e.keepData = drive.keepData;
    if (std::string(c.os) == "win98") e.procedure = test::Procedure::Legacy;
    e.mainProgramLocked = mainProgram;
    if (!mainProgram) e.heldFile = held;
    ExpectFootprint(run, e);
    std::string text;
    ASSERT_TRUE(test::ReadFileBytes(log, text));
    EXPECT_NE(std::string::npos, text.find("stays: " + held + ": in use, removed at the restart")) << text;

    ASSERT_TRUE(RestartWindows());
    const test::Snapshot restarted = test::TakeSnapshot(test::EndToEndSnapshotOptions());
    std::vector<std::string> gone;
    for (const std::string& item : test::Minus(run.after, restarted))
      if (item.find("\\wininit.ini") == std::string::npos) gone.push_back(item);  // carried out, it goes
    // The held file, and the folders it alone kept: up to the installation folder, or the user's
    // data folder with it.
    std::vector<std::string> expected = {"F " + test::LowerPath(held)};
    if (std::string(c.os) != "win98")
      for (std::string at = held.substr(0, held.rfind('\\')); c.inData ? at.size() >= folder.size() : at.size() > folder.size();
           at = at.substr(0, at.rfind('\\')))
        expected.push_back("D " + test::LowerPath(at));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::Describe(expected), test::Describe(gone));
    m_install.Remove();
  }
}

// A companion another program holds without sharing it (a user's reader, a virus scanner that
// takes long) is in use, not changeable: it is waited for, then left, said to be in use, and the
// run cannot complete (1603), the uninstaller staying for the run that finishes the job. The
// language pack held ends the run before anything is removed.
TEST_F(FullUninstall, FilesInUseAmongTheCompanionsAreNeverTakenForChanged) {
  struct HeldCompanion {
    const char* name;
    bool nothingRemoved;
  } cases[] = {{"DriverSetup.dll", false}, {"Language.xml", true}};
  const std::string log = test::StandInLogDir() + "\\held companion.log";
  for (const HeldCompanion& c : cases) {
    SCOPED_TRACE(c.name);
    Install();
    DeleteFileA(log.c_str());
    DriveOptions drive;
    drive.arguments = "/S /KEEPDRIVER=0 \"/LOG=" + log + "\"";
    UninstallRun run;
    {
      FileLockerProcess locker(test::SampleClientDir() + "\\FileLocker.exe", m_install.Folder() + "\\" + c.name, "exclusive");
      ASSERT_TRUE(locker.Locked());
      run = test::RunUninstall(m_install, "winxp", drive);
    }
    EXPECT_EQ(1603, run.exitCode) << run.transcript;
    std::string text;
    ASSERT_TRUE(test::ReadFileBytes(log, text));
    EXPECT_NE(std::string::npos, text.find("in use: " + m_install.Folder() + "\\" + c.name + ": held by")) << text;
    // The account names it, and the installation kept for the run that finishes the job.
    if (!c.nothingRemoved) {
      EXPECT_NE(std::string::npos, text.find("stays: " + m_install.Folder() + "\\" + c.name + ": could not be removed: held by"))
          << text;
      EXPECT_NE(std::string::npos, text.find("stays: " + m_install.Folder() + ": could not be removed: kept with what was left"))
          << text;
    }
    EXPECT_EQ(std::string::npos, text.find("another account")) << text;
    EXPECT_EQ(std::string::npos, text.find("left for safety: ")) << text;
    EXPECT_EQ(std::string::npos, test::StandInLog("DriverSetup").find("UninstallAllDriver"));
    // The uninstaller stays for the run that finishes the job: the finishing program is not started.
    EXPECT_EQ("", test::StandInLog("Unl"));
    EXPECT_TRUE(test::FileExists(m_install.Folder() + "\\Uninstall.exe"));
    if (c.nothingRemoved) {
      EXPECT_EQ(test::Describe({}), test::Describe(run.Removed()));
    } else {
      ExpectOnlyTheClientsItemsRemoved(m_install, run);
    }
    m_install.Remove();
  }
}

TEST_F(FullUninstall, Lnk2WithoutAFolderEndsTheWorkerAndIsNoSuccess) {
  Install("/lnk2 Uninstall.lnk");
  const UninstallRun run = test::RunUninstall(m_install, "winxp", DriveOptions());
  EXPECT_EQ(1603, run.exitCode) << run.transcript;
  // The user is told, the entries and the uninstaller stay, and "Unl.exe" never starts.
  EXPECT_NE(std::string::npos, run.transcript.find(IncompleteUninstallMessageFor(0).text)) << run.transcript;
  EXPECT_EQ("", test::StandInLog("Unl"));
  Expectation e;
  e.endsAtLnk2 = true;
  ExpectFootprint(run, e);
}

// For deployment tools: no window at any moment, the footprint of an interactive run with both
// boxes checked, exit code 0 and a log of what was done. A shortcut value naming a file that is
// no shortcut leaves that file in place.
// A shell link to target, made by the shell's own link object, as installers make them.
bool MakeShellLink(const std::string& path, const std::string& target) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  link->SetPath(target.c_str());
  IPersistFile* file = nullptr;
  bool saved = false;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    saved = SUCCEEDED(file->Save(WideFromAnsi(path).c_str(), TRUE));
    file->Release();
  }
  link->Release();
  return saved;
}

// After the files, the shortcuts that led into the installation go from every shell folder that
// holds program shortcuts, and a Start-menu folder they alone filled goes with them; a shortcut to
// another program, to a look-alike folder beside the installation, or to the web stays. The
// vendor's folder holding another product stays, and the finishing program is given the
// uninstaller where it lies.
TEST_F(FullUninstall, DeadShortcutsGoFromEveryShellFolderAndOthersStay) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  Install();
  const std::string folder = m_install.Folder();
  const std::string vendor = folder.substr(0, folder.rfind('\\'));
  const std::string sibling = vendor + "\\DornDialTools";
  ASSERT_TRUE(CreateDirectoryA(sibling.c_str(), nullptr));
  ASSERT_TRUE(test::WriteFileBytes(sibling + "\\tool.exe", "another product"));
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string quickLaunch = ShellFolderPath(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch";
  const std::string extras = ShellFolderPath(CSIDL_PROGRAMS) + "\\Mirel Extras";
  ASSERT_TRUE(CreateDirectoryA(extras.c_str(), nullptr));
  std::vector<std::string> dead, staying;
  for (const std::string& shellFolder :
       {ShellFolderPath(CSIDL_DESKTOPDIRECTORY), ShellFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY), ShellFolderPath(CSIDL_STARTMENU),
        ShellFolderPath(CSIDL_COMMON_PROGRAMS), ShellFolderPath(CSIDL_STARTUP), ShellFolderPath(CSIDL_COMMON_STARTUP), quickLaunch,
        extras}) {
    dead.push_back(shellFolder + "\\Read me.lnk");
    ASSERT_TRUE(MakeShellLink(dead.back(), folder + "\\readme.txt")) << dead.back();
    staying.push_back(shellFolder + "\\Editor.lnk");
    ASSERT_TRUE(MakeShellLink(staying.back(), std::string(windows) + "\\notepad.exe")) << staying.back();
    staying.push_back(shellFolder + "\\Tools.lnk");
    ASSERT_TRUE(MakeShellLink(staying.back(), sibling + "\\tool.exe")) << staying.back();
  }
  staying.erase(staying.end() - 2, staying.end());  // the folder of extras holds only a dead one
  DeleteFileA((extras + "\\Editor.lnk").c_str());
  DeleteFileA((extras + "\\Tools.lnk").c_str());
  const std::string desktop = ShellFolderPath(CSIDL_DESKTOPDIRECTORY);
  dead.push_back(desktop + "\\Help.url");
  std::string help = folder + "\\help.chm";
  std::replace(help.begin(), help.end(), '\\', '/');
  ASSERT_TRUE(test::WriteFileBytes(dead.back(), "[InternetShortcut]\r\nURL=file:///" + help + "\r\n"));
  // The installation by its short spelling is the installation too.
  char shortFolder[MAX_PATH] = {};
  ASSERT_NE(0u, GetShortPathNameA(folder.c_str(), shortFolder, MAX_PATH));
  ASSERT_NE(folder, std::string(shortFolder));
  dead.push_back(ShellFolderPath(CSIDL_STARTUP) + "\\Help by short name.url");
  std::string shortHelp = std::string(shortFolder) + "\\help.chm";
  std::replace(shortHelp.begin(), shortHelp.end(), '\\', '/');
  ASSERT_TRUE(test::WriteFileBytes(dead.back(), "[InternetShortcut]\r\nURL=file:///" + shortHelp + "\r\n"));
  staying.push_back(desktop + "\\Portal site.url");
  ASSERT_TRUE(test::WriteFileBytes(staying.back(), "[InternetShortcut]\r\nURL=http://portal.example/\r\n"));

  DriveOptions drive;
  drive.arguments = "/s";
  const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
  EXPECT_EQ(0, run.exitCode) << run.transcript;
  for (const std::string& path : dead) EXPECT_FALSE(test::FileExists(path)) << path;
  EXPECT_FALSE(test::FileExists(extras));
  for (const std::string& path : staying) EXPECT_TRUE(test::FileExists(path)) << path;
  EXPECT_TRUE(test::FileExists(sibling + "\\tool.exe"));
  EXPECT_FALSE(test::FileExists(folder));
  Expectation e;
  e.vendorFolderStays = true;
  EXPECT_NE(std::string::npos, test::StandInLog("Unl").find("21," + UninstallerPathForFinishing(m_install, e)))
      << test::StandInLog("Unl");
  for (const std::string& path : staying) DeleteFileA(path.c_str());
  DeleteFileA((sibling + "\\tool.exe").c_str());
  RemoveDirectoryA(sibling.c_str());
  m_install.Remove();
  CoUninitialize();
}

TEST_F(FullUninstall, SilentRunShowsNothingAndLogsWhatItDid) {
  Install();
  const std::string infoKey = "SOFTWARE\\Mirel_Mini\\Dorn_pppoe\\SetupInfo";
  // lnk7, the portal's shortcut on the desktop, lies outside the folder of the client's shortcuts.
  std::string lnk7, lnk2;
  ASSERT_TRUE(test::ReadRegString(HKEY_LOCAL_MACHINE, infoKey, "lnk7", lnk7));
  ASSERT_TRUE(test::ReadRegString(HKEY_LOCAL_MACHINE, infoKey, "lnk2", lnk2));
  ASSERT_NE(lnk2.substr(0, lnk2.rfind('\\')), lnk7.substr(0, lnk7.rfind('\\')));
  const std::string notAShortcut = "C:\\e2e-not-a-shortcut.txt";
  ASSERT_TRUE(test::WriteFileBytes(notAShortcut, "someone else's"));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, infoKey, "lnk7", notAShortcut));
  const std::string log = test::StandInLogDir() + "\\silent run.log";
  DeleteFileA(log.c_str());

  DriveOptions drive;
  drive.arguments = "/s -KeepData=1 \"/LOG=" + log + "\"";
  const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
  EXPECT_EQ(0, run.exitCode) << run.transcript;
  EXPECT_EQ(std::string::npos, run.transcript.find("window ")) << run.transcript;
  EXPECT_TRUE(test::FileExists(notAShortcut));
  // The shortcut lnk7 named at installation is not the client's to find any more: it stays.
  std::vector<std::string> expected = test::ExpectedRemovals(m_install, Expectation());
  expected.erase(std::remove(expected.begin(), expected.end(), "F " + test::LowerPath(lnk7)), expected.end());
  EXPECT_EQ(expected, run.Removed()) << test::Describe(run.Removed());

  std::string text;
  ASSERT_TRUE(test::ReadFileBytes(log, text));
  const std::string mainProgram = m_install.Folder() + "\\" + m_install.Define("PROGRAM_FILENAME");
  const std::vector<std::string> lines = {"options: silent, keep driver by default, keep data 1", "procedure full",
                                         "removed: " + mainProgram, "left: refused by the path rule: " + notAShortcut,
                                         "started: ", "\\Unl.exe 21,",
                                         // The account: what the user kept, and what other products share.
                                         "stays: " + ShellFolderPath(CSIDL_APPDATA) + "\\Teloris: kept by the user's choice",
                                         "stays: the data-card driver: kept by the user's choice",
                                         "stays: HKLM\\SOFTWARE\\BriskoPPPOE\\SetupInfo|Mirel_Mini: shared with other products",
                                         "exit code 0"};
  for (const std::string& line : lines)
    EXPECT_NE(std::string::npos, text.find(line)) << line << "\n" << text;
  // Nothing else stays: neither the installation nor what the path rule refused.
  size_t accounted = 0;
  for (size_t at = text.find("stays: "); at != std::string::npos; at = text.find("stays: ", at + 1)) ++accounted;
  EXPECT_EQ(3u, accounted) << text;
  DeleteFileA(notAShortcut.c_str());
}

// The log of an elevated run is never written through a link: a link at its name (which the
// account that may write the folder could plant) or a second name of another file ends the run
// with 87 before anything is removed, and the file behind stays as it was. A relative name is the
// caller's: taken from the folder the run was started in.
TEST_F(FullUninstall, SilentLogIsTheNamedFileItselfOrNone) {
  Install();
  test::TempDir logs, outside;
  const std::string theirs = outside / "theirs.txt";
  ASSERT_TRUE(test::WriteFileBytes(theirs, "someone else's"));
  const std::string hardLink = logs / "hard.log";
  ASSERT_TRUE(::CreateHardLinkA(hardLink.c_str(), theirs.c_str(), nullptr));
  std::vector<std::string> names = {hardLink};
  if (test::MakeUnixLink(logs / "link.log", theirs)) names.push_back(logs / "link.log");
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    DriveOptions drive;
    drive.arguments = "/S \"/LOG=" + name + "\"";
    const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
    EXPECT_EQ(87, run.exitCode) << run.transcript;
    EXPECT_EQ(test::Describe({}), test::Describe(run.Removed()));
    std::string bytes;
    EXPECT_TRUE(test::ReadFileBytes(theirs, bytes) && bytes == "someone else's") << bytes;
  }
  // A relative name, with a bad switch to end the run at once: the log lies in the caller's folder.
  DriveOptions drive;
  drive.arguments = "/S /bogus /LOG=relative.log";
  drive.workDir = logs.Path();
  const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
  EXPECT_EQ(87, run.exitCode) << run.transcript;
  std::string text;
  EXPECT_TRUE(test::ReadFileBytes(logs / "relative.log", text) && text.find("bad arguments") != std::string::npos)
      << text;
  test::RemoveUnixLink(logs / "link.log");
}

// Removed the way users remove it: Wine's Add/Remove Programs tool runs the entry's
// UninstallString, and the person works the dialogs that brings up.
TEST_F(FullUninstall, AddRemoveProgramsEntryStartsTheUninstall) {
  Install();
  DriveOptions drive;
  drive.keepDriver = 0;
  drive.keepData = 0;
  drive.startedBy = "uninstaller --remove " + m_install.Define("UNINSTALL_KEY");
  drive.workDir = "C:\\windows";  // the control panel's, not the client's folder, which it would hold
  const UninstallRun run = test::RunUninstall(m_install, "win10", drive);
  EXPECT_EQ(3010, run.exitCode) << run.transcript;
  EXPECT_NE(std::string::npos, run.transcript.find("window confirm")) << run.transcript;
  EXPECT_NE(std::string::npos, run.transcript.find("launcher exit 0")) << run.transcript;
  Expectation e;
  e.os = "win10";
  e.keepData = 0;
  ExpectFootprint(run, e);
}

// As a deployment tool removes it: the entry's QuietUninstallString run as it stands.
TEST_F(FullUninstall, QuietUninstallStringRemovesTheClientWithoutAWindow) {
  Install();
  std::string quiet;
  ASSERT_TRUE(test::ReadRegString(HKEY_LOCAL_MACHINE,
                                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                      m_install.Define("PROGRAME_ENG_NAME"),
                                  "QuietUninstallString", quiet));
  DriveOptions drive;
  drive.startedBy = quiet;
  const UninstallRun run = test::RunUninstall(m_install, "win10", drive);
  EXPECT_EQ(0, run.exitCode) << run.transcript;
  EXPECT_EQ(std::string::npos, run.transcript.find("window ")) << run.transcript;
  Expectation e;
  e.os = "win10";
  ExpectFootprint(run, e);
}

// Names outside the system code page (Hangul, Thai, an emoji, Latin letters it lacks) and
// double-byte names whose second byte is that of "\" go like any other, from the installation and
// from the user's data, and none is logged as refused.
TEST_F(FullUninstall, EveryNameGoesWhateverItsCharacters) {
  Install();
  const std::vector<std::wstring> names = {L"\uD55C\uAE00.txt", L"\u0E44\u0E17\u0E22", L"\u0E44\u0E17\u0E22\\\xD83D\xDE00.dat",
                                           L"\u00DCn\u00EFc\u00F8d\u00E9 \u00F8.txt", L"\u6DFA.dll", L"\u79B1",
                                           L"\u79B1\\\u7E17.ini"};
  Expectation e;
  e.keepData = 0;
  for (const std::wstring& base : {WideFromAnsi(m_install.Folder()), WideFromAnsi(ShellFolderPath(CSIDL_APPDATA)) + L"\\Teloris"})
    for (const std::wstring& name : names) {
      const std::wstring path = base + L"\\" + name;
      const bool folder = name.find(L'.') == std::wstring::npos;
      ASSERT_TRUE(folder ? CreateDirectoryW(path.c_str(), nullptr) != FALSE : test::WriteWideNamedFile(path))
          << test::SnapshotPath(path);
      e.alsoRemoved.push_back((folder ? "D " : "F ") + test::SnapshotPath(path));
    }
  const std::string log = test::StandInLogDir() + "\\names.log";
  DeleteFileA(log.c_str());
  DriveOptions drive;
  drive.keepData = 0;
  drive.arguments = "/S /KEEPDATA=0 \"/LOG=" + log + "\"";
  const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
  EXPECT_EQ(0, run.exitCode) << run.transcript;
  ExpectFootprint(run, e);
  std::string text;
  ASSERT_TRUE(test::ReadFileBytes(log, text));
  EXPECT_EQ(std::string::npos, text.find("refused")) << text;
}

// Libraries planted beside the program and in its current folder, named like those the system
// loads on the program's behalf and loaded before the system's own as Windows loads a library
// that is not a known system library, never come into the uninstaller: where the system can limit
// the search to the system folder, and where the program loads them from there up front.
TEST_F(FullUninstall, PlantedLibrariesAreNeverLoaded) {
  // The libraries the uninstaller loaded from beside itself before. (Not "version.dll": Wine's
  // own user32 imports it, so Wine loads a planted one into every window program before the
  // program's first line; Windows' user32 does not.)
  const std::vector<std::string> planted = {
      "rasapi32.dll", "cryptbase.dll", "cryptsp.dll", "dwmapi.dll",   "mpr.dll",     "msimg32.dll", "netapi32.dll",
      "ntmarta.dll",  "profapi.dll",   "propsys.dll", "rasman.dll",   "riched20.dll", "rtutils.dll", "shfolder.dll",
      "sspicli.dll",  "userenv.dll",   "uxtheme.dll", "wininet.dll",  "winmm.dll",   "wtsapi32.dll"};
  for (const char* olderRoutes : {"", "dlldirs"}) {
    SCOPED_TRACE(std::string("without ") + olderRoutes);
    Install();
    std::unique_ptr<test::OlderRoutes> older;
    if (*olderRoutes) {
      older = std::make_unique<test::OlderRoutes>(m_install, olderRoutes);
      ASSERT_TRUE(older->Ready());
    }
    // The installation's own libraries are the COM servers' folder alone, as its list says.
    ASSERT_TRUE(test::WriteFileBytes(m_install.Folder() + "\\reg.ini", "Plugins\r\n"));
    test::TempDir current;
    for (const std::string& library : planted)
      for (const std::string& folder : {m_install.Folder(), current.Path()})
        ASSERT_TRUE(CopyFileA((test::SampleClientDir() + "\\ComServerNoExport.dll").c_str(), (folder + "\\" + library).c_str(), FALSE));
    test::SetWineNativeFirstFor("Uninstall.exe", planted);
    DriveOptions drive;
    drive.arguments = "/S";
    drive.workDir = current.Path();
    const UninstallRun run = test::RunUninstall(m_install, "win10", drive);
    test::SetWineNativeFirstFor("Uninstall.exe", {});
    EXPECT_EQ(0, run.exitCode) << run.transcript;
    for (const std::string& library : planted)
      EXPECT_EQ("", test::StandInLog(library.substr(0, library.rfind('.')))) << library << " was loaded";
    m_install.Remove();
  }
}

// Nothing that others could have changed runs with the uninstaller's rights, and what judges a file
// is what uses it. When everyone may change the driver library, the batch file, the COM servers'
// folder, the browser's uninstaller and the finishing program, none of them is run; the run says
// so, removes what it can itself, keeps what it left with the uninstaller and its record, and ends
// with 1625; once they are secured, a second run finishes the job. From an installation folder
// everyone can change, the language pack is not used: nothing is removed. A file in use in a folder
// everyone can change is not queued for the restart, which would follow its path with the system's
// rights. An "Uninstall.bin" others could change is not imported. And a folder whose name
// best-fits onto the client's in the code page ("Progrâm Files"), reached through a link, is judged
// as itself, not as the client's.
TEST_F(FullUninstall, NothingOthersCouldChangeRunsElevated) {
  const std::string log = test::StandInLogDir() + "\\others.log";
  const char* const companions[] = {"DriverSetup.dll", "uninstall.bat", "Plugins", "PavoBrowser\\Unin.exe", "Unl.exe"};
  {
    Install();
    const test::Snapshot installed = test::TakeSnapshot(test::EndToEndSnapshotOptions());
    for (const char* companion : companions) ASSERT_TRUE(test::LetEveryoneChange(m_install.Folder() + "\\" + companion));
    DeleteFileA(log.c_str());
    DriveOptions drive;
    drive.arguments = "/S /KEEPDRIVER=0 \"/LOG=" + log + "\"";
    const UninstallRun run = test::RunUninstall(m_install, "win2k", drive);
    EXPECT_EQ(1625, run.exitCode) << run.transcript;
    for (const char* companion : {"DriverSetup", "uninstall_bat", "ComServerOk", "ComServerFail", "Unin", "Unl"})
      EXPECT_EQ("", test::StandInLog(companion)) << companion << " ran";
    std::string text;
    ASSERT_TRUE(test::ReadFileBytes(log, text));
    for (const char* name : {"DriverSetup.dll", "uninstall.bat", "Plugins\\ComServerOk.dll", "PavoBrowser\\Unin.exe", "Unl.exe"})
      EXPECT_NE(std::string::npos, text.find("left for safety: " + m_install.Folder() + "\\" + name)) << name << "\n" << text;
    EXPECT_NE(std::string::npos, text.find("stays: " + m_install.Folder() + "\\DriverSetup.dll: left for safety")) << text;
    EXPECT_FALSE(test::FileExists(m_install.Folder() + "\\" + m_install.Define("PROGRAM_FILENAME")));
    EXPECT_NE(std::string::npos, text.find("exit code 1625")) << text;
    EXPECT_NE(std::string::npos, text.find("a restart is needed")) << text;
    // What was left stays for the next run, with the uninstaller and its record.
    for (const char* name : {"DriverSetup.dll", "uninstall.bat", "Plugins\\ComServerOk.dll", "Unl.exe", "Uninstall.exe",
                             "Language.xml", "Uninstall.bin"})
      EXPECT_TRUE(test::FileExists(m_install.Folder() + "\\" + name)) << name;
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                                        m_install.Define("UNINSTALL_KEY")));
    // Secured, the next run finishes the job: the machine ends as after one good run.
    for (const char* companion : companions)
      ASSERT_TRUE(test::LetOnlyItsOwnerChange(m_install.Folder() + "\\" + companion));
    DriveOptions again;
    again.arguments = "/S";
    UninstallRun second = test::RunUninstall(m_install, "win2k", again);
    EXPECT_EQ(3010, second.exitCode) << second.transcript;
    EXPECT_NE(std::string::npos, test::StandInLog("DriverSetup").find("UninstallAllDriver"));
    EXPECT_NE(std::string::npos, test::StandInLog("ComServerOk").find("DllUnregisterServer"));
    EXPECT_NE(std::string::npos, test::StandInLog("Unl").find("21,")) << test::StandInLog("Unl");
    second.before = installed;
    Expectation e;
    e.os = "win2k";
    ExpectFootprint(second, e);
    m_install.Remove();
  }
  {
    // The whole folder: its language pack, which names what the run ends and deletes, is not used.
    Install();
    ASSERT_TRUE(test::LetEveryoneChange(m_install.Folder()));
    DeleteFileA(log.c_str());
    DriveOptions drive;
    drive.arguments = "/S \"/LOG=" + log + "\"";
    const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
    EXPECT_EQ(1603, run.exitCode) << run.transcript;
    EXPECT_EQ(test::Describe({}), test::Describe(run.Removed()));
    std::string text;
    ASSERT_TRUE(test::ReadFileBytes(log, text));
    EXPECT_NE(std::string::npos, text.find("left for safety: " + m_install.Folder() + "\\Language.xml")) << text;
    m_install.Remove();
  }
  {
    Install();
    const std::string cache = m_install.Folder() + "\\Data\\Cache";
    ASSERT_TRUE(test::LetEveryoneChange(cache));
    const std::string held = cache + "\\session.dat";
    DeleteFileA(log.c_str());
    DriveOptions drive;
    drive.arguments = "/S \"/LOG=" + log + "\"";
    UninstallRun run;
    {
      FileLockerProcess locker(test::SampleClientDir() + "\\FileLocker.exe", held, "hold");
      ASSERT_TRUE(locker.Locked());
      run = test::RunUninstall(m_install, "winxp", drive);
    }
    EXPECT_EQ(1625, run.exitCode) << run.transcript;
    std::string text;
    ASSERT_TRUE(test::ReadFileBytes(log, text));
    EXPECT_NE(std::string::npos, text.find("left: in use: " + held)) << text;
    EXPECT_EQ(std::string::npos, text.find("removed at restart: " + held)) << text;
    EXPECT_TRUE(test::FileExists(held));
    m_install.Remove();
  }
  const std::string debugger = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\sethc.exe";
  {
    // An "Uninstall.bin" others could change that names a key of the machine: nothing of it goes in.
    Install();
    const std::string bin = m_install.Folder() + "\\Uninstall.bin";
    std::string values;
    ASSERT_TRUE(test::ReadFileBytes(bin, values));
    ASSERT_TRUE(test::WriteFileBytes(bin, values + "\r\n[HKEY_LOCAL_MACHINE\\" + debugger + "]\r\n\"Debugger\"=\"cmd.exe\"\r\n"));
    ASSERT_TRUE(test::LetEveryoneChange(bin));
    DeleteFileA(log.c_str());
    DriveOptions drive;
    drive.arguments = "/S \"/LOG=" + log + "\"";
    const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
    EXPECT_EQ(1625, run.exitCode) << run.transcript;
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, debugger)) << "a changeable Uninstall.bin was imported";
    std::string text;
    ASSERT_TRUE(test::ReadFileBytes(log, text));
    EXPECT_NE(std::string::npos, text.find("left for safety: " + bin)) << text;
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, debugger);
    m_install.Remove();
  }
  {
    // The user's own copy of the client in "C:\Progrâm Files\..." with their own companions, which
    // anyone may change, started through a link elsewhere: its companions are judged where they lie.
    Install();
    const std::wstring lookalike = L"C:\\Progr\u00e2m Files\\Mirel\\DornDial";
    for (size_t slash = lookalike.find(L'\\', 3);; slash = lookalike.find(L'\\', slash + 1)) {
      CreateDirectoryW(lookalike.substr(0, slash).c_str(), nullptr);
      if (slash == std::wstring::npos) break;
    }
    for (const char* name : {"Uninstall.exe", "Language.xml", "Uninstall.bin", "DriverSetup.dll", "Unl.exe"})
      ASSERT_TRUE(::CopyFileW(WideFromAnsi(m_install.Folder() + "\\" + name).c_str(),
                              (lookalike + L"\\" + WideFromAnsi(name)).c_str(), FALSE))
          << name;
    ASSERT_TRUE(test::LetEveryoneChange(lookalike));
    const std::string link = "C:\\e2e-lookalike-link";
    ASSERT_TRUE(test::MakeUnixLink(link, lookalike));
    test::SetWineVersionFor("Uninstall.exe", "win10");
    const long exitCode = test::RunAndWait("\"" + link + "\\Uninstall.exe\" /S /KEEPDRIVER=0", 120000);
    test::SetWineVersionFor("Uninstall.exe", "");
    EXPECT_EQ(1603, exitCode);
    EXPECT_EQ("", test::StandInLog("DriverSetup")) << "a changeable DriverSetup.dll was loaded";
    EXPECT_EQ("", test::StandInLog("Unl")) << "a changeable Unl.exe was started";
    test::RemoveUnixLink(link);
    test::RemoveUnixTree(L"C:\\Progr\u00e2m Files");
    m_install.Remove();
  }
}

// The default security of each system the program names (tests/win/data/default-acls), mapped
// onto the sample client's folders and given to the program through the test build's seam: the
// companions run and the run succeeds on each default install; where ordinary users could change
// the installation folder (Users may modify it, a user owns it, it has no access control on a
// machine whose system folder has), none runs and the exit code says so.
TEST_F(FullUninstall, TheDefaultSecurityOfEachSystemLetsTheCompanionsRun) {
  const char* const kInstaller = "S-1-5-21-1-2-3-1001";
  const char* const kAdministrators = "S-1-5-21-1-2-3-1001,S-1-5-21-1-2-3-1002";
  struct SecurityCase {
    const char* table;
    const char* os;
    const char* running;       // the account the uninstaller runs as
    const char* object = "";   // below the installation folder ("" for itself): its descriptor instead of the table's
    const char* sddl = "";
    long exitCode = 3010;      // 3010: the companions ran; else none did
  } cases[] = {
      // Everyone may change everything on NT 4.0 as it comes: nothing there is trusted.
      {"nt40", "nt40", kInstaller, "", "", 1603},
      {"win2000", "win2k", kInstaller},
      {"xp-installed-by-this-admin", "winxp", kInstaller},
      {"xp-home-installed-by-another-admin", "winxp", "S-1-5-18"},
      {"server2003", "win2003", "S-1-5-18"},
      {"win10", "win10", kInstaller},
      {"fat-volume", "winxp", kInstaller},
      // Users may change the installation folder, a user owns it, it has no access control: its
      // language pack is not used, and nothing is removed.
      {"win10", "win10", kInstaller, "", "O:BAD:AI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1301bf;;;BU)", 1603},
      {"xp-installed-by-this-admin", "winxp", kInstaller, "",
       "O:S-1-5-21-1-2-3-1003D:AI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-1-2-3-1003)", 1603},
      {"win2000", "win2k", kInstaller, "", "O:BAD:NO_ACCESS_CONTROL", 1603},
      // Users may change the companions alone: none of them runs, the rest goes.
      {"server2003", "win2003", kInstaller, "DriverSetup.dll", "O:BAD:(A;;FA;;;BA)(A;;0x1301bf;;;AU)", 1625}};
  char windows[MAX_PATH] = {}, programFiles[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
  test::TempDir work;
  for (const SecurityCase& c : cases) {
    SCOPED_TRACE(std::string(c.table) + " on " + c.os + " as " + c.running + " " + c.object + " " + c.sddl);
    Install();
    // The table's places are those of the sample client: its folder, Program Files, the Windows folder.
    std::string table, mapped;
    ASSERT_TRUE(test::ReadFileBytes(test::ExeDir() + "\\default-acls\\" + c.table + ".sddl", table));
    const std::pair<std::string, std::string> places[] = {{"C:\\Program Files\\Client", m_install.Folder()},
                                                          {"C:\\Program Files", programFiles},
                                                          {"C:\\windows", windows}};
    for (size_t at = 0, end; at < table.size(); at = end + 1) {
      end = std::min(table.find('\n', at), table.size());
      std::string line = table.substr(at, end - at);
      for (const auto& place : places)
        if (line.compare(0, place.first.size(), place.first) == 0) {
          line = place.second + line.substr(place.first.size());
          break;
        }
      const std::string changed = *c.object ? m_install.Folder() + "\\" + c.object : m_install.Folder();
      if (*c.sddl && line.compare(0, changed.size() + 1, changed + "|") == 0) line = changed + "|" + c.sddl;
      mapped += line + "\n";
    }
    ASSERT_TRUE(test::WriteFileBytes(work / "table.sddl", mapped));
    SetEnvironmentVariableA("UNINSTALL_TEST_SDDL", (work / "table.sddl").c_str());
    SetEnvironmentVariableA("UNINSTALL_TEST_ACCOUNT", (std::string(c.running) + ";" + kAdministrators).c_str());
    const bool beforeVista = std::string(c.os) != "win10";
    UninstallRun run;
    {
      // Power Users are administrators in waiting before Windows Vista.
      test::OlderRoutes seam(m_install, beforeVista ? "uac" : "");
      ASSERT_TRUE(seam.Ready());
      DriveOptions drive;
      drive.arguments = "/S /KEEPDRIVER=0";
      run = test::RunUninstall(m_install, c.os, drive);
    }
    SetEnvironmentVariableA("UNINSTALL_TEST_SDDL", nullptr);
    SetEnvironmentVariableA("UNINSTALL_TEST_ACCOUNT", nullptr);
    const bool trusted = c.exitCode == 3010;
    EXPECT_EQ(c.exitCode, run.exitCode) << run.transcript;
    const bool legacy = std::string(c.os) == "nt40";
    EXPECT_EQ(trusted, test::StandInLog("DriverSetup").find("UninstallAllDriver") != std::string::npos);
    // With a companion left for safety the finishing program is not started, so a later run can use it.
    EXPECT_EQ(trusted, test::StandInLog("Unl").find(legacy ? "11," : "21,") != std::string::npos) << test::StandInLog("Unl");
    // The others run where they are trusted.
    const bool othersRun = c.exitCode != 1603;
    EXPECT_EQ(othersRun, test::StandInLog("ComServerOk").find("DllUnregisterServer") != std::string::npos);
    EXPECT_EQ(othersRun, test::StandInLog("Unin").find("-Qlume") != std::string::npos);
    if (std::string(c.os) == "win2k") {
      EXPECT_EQ(othersRun, !test::StandInLog("uninstall_bat").empty());
    }
    if (trusted) {
      Expectation e;
      e.os = c.os;
      if (legacy) e.procedure = test::Procedure::Legacy;
      ExpectFootprint(run, e);
    }
    m_install.Remove();
  }
}

// Every item the run removed belongs to the client's own footprint (but those below a key or
// folder the test planted there).
void ExpectOnlyTheClientsItemsRemoved(const SampleInstallation& install, const UninstallRun& run,
                                      const std::string& planted) {
  Expectation all;
  all.keepData = 0;
  const std::vector<std::string> footprint = test::ExpectedRemovals(install, all);
  for (const std::string& item : run.Removed()) {
    if (planted.empty() || item.find(planted) == std::string::npos) {
      EXPECT_TRUE(std::binary_search(footprint.begin(), footprint.end(), item)) << "not the client's: " << item;
    }
  }
}

// Files outside the client's footprint that a careless worker would take for its own.
class Canaries {
public:
  void Add(const std::string& path) {
    if (test::FileExists(path)) return;  // someone else's file: never written, never removed
    ASSERT_TRUE(test::WriteFileBytes(path, "keep me: " + path)) << path;
    m_paths.push_back(path);
  }
  void ExpectIntact() const {
    for (const std::string& path : m_paths) {
      std::string bytes;
      EXPECT_TRUE(test::ReadFileBytes(path, bytes) && bytes == "keep me: " + path) << path;
    }
  }
  ~Canaries() {
    for (const std::string& path : m_paths) DeleteFileA(path.c_str());
  }

private:
  std::vector<std::string> m_paths;
};

TEST_F(FullUninstall, EverySpellingOfAProtectedFolderAsInstallationFolderRemovesNothingBelowIt) {
  char windows[MAX_PATH] = {}, programFiles[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
  const std::string win = windows, drive = win.substr(0, 2);
  // Another program's folder; it holds a file named like the client's main program, but not the
  // running uninstaller.
  const std::string other = std::string(programFiles) + "\\Other";
  // Spellings Wine's file functions resolve to the real folders, and other routes to them: a
  // link as the last or an earlier step, a mapped drive letter, Z:. The other spellings ("\\?\",
  // doubled separators, administrative and ADMIN$ shares, short names) are checked on the rule
  // alone.
  test::OtherRoutes routes(win);
  if (!routes.Made()) GTEST_SKIP() << "no links here";
  // Another program's folder behind a link, holding a file named like the client's main program.
  const std::string otherLink = drive + "\\e2e-other-link";
  CreateDirectoryA(other.c_str(), nullptr);
  if (!test::MakeUnixLink(otherLink, other)) GTEST_SKIP() << "no links here";
  std::vector<std::string> spellings = {drive + "\\",
                                        win + ".",
                                        win + "\\System32\\drivers",
                                        routes.Link(),
                                        routes.Link() + "\\System32\\drivers",
                                        routes.Drive() + "\\System32",
                                        test::ZDrivePathOf(programFiles),
                                        other,
                                        otherLink};
  // On a 64-bit Windows: the 64-bit Program Files, which the 32-bit program knows only by name.
  if (test::In64BitWindows()) spellings = {test::ProgramFiles64()};
  for (const std::string& setupPath : spellings) {
    SCOPED_TRACE("SetupPath " + setupPath);
    const bool spaced = setupPath.find(' ') != std::string::npos;
    Install("/setuppath " + (spaced ? "\"" + setupPath + "\"" : setupPath));
    const std::string mainName = "\\" + m_install.Define("PROGRAM_FILENAME");
    CreateDirectoryA(other.c_str(), nullptr);
    Canaries canaries;
    canaries.Add(drive + "\\e2e-canary.txt");
    canaries.Add(other + "\\Other.exe");
    canaries.Add(win + "\\System32\\e2e-canary.dll");
    std::vector<std::string> canaryFolders = {drive, win, win + "\\System32\\drivers", std::string(programFiles), other};
    // Under WoW64 both Program Files folders (the 32-bit system folder has no "drivers").
    if (test::In64BitWindows()) canaryFolders = {drive, win, std::string(programFiles), test::ProgramFiles64()};
    for (const std::string& folder : canaryFolders) canaries.Add(folder + mainName);
    const UninstallRun run = test::RunUninstall(m_install, "winxp", DriveOptions());
    canaries.ExpectIntact();
    ExpectOnlyTheClientsItemsRemoved(m_install, run);
    EXPECT_NE(std::string::npos, run.transcript.find("window message")) << run.transcript;
    m_install.Remove();
  }
  test::RemoveUnixLink(otherLink);
  RemoveDirectoryA(other.c_str());
}

// Links in the client's folders lead outside: to a folder, and to files (in the installation
// folder, in a sub-folder, in the user's data, and a library that "reg.ini" names as a COM server).
// Wine shows a link to a file as a plain file and opens it as its target: still nothing it points
// at is removed, changed or loaded, and the links, which the system cannot remove alone, are left
// for safety; everything else of the client goes.
TEST_F(FullUninstall, LinksInTheClientsFoldersAreNeverFollowed) {
  Install();
  test::TempDir outside;
  ASSERT_TRUE(CopyFileA((test::SampleClientDir() + "\\ComServerOk.dll").c_str(), (outside / "TheirServer.dll").c_str(),
                        FALSE));
  char appData[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
  const std::string data = std::string(appData) + "\\Teloris";
  const std::vector<std::string> folderLinks = {m_install.Folder() + "\\Linked", data + "\\Linked"};
  const std::vector<std::string> fileLinks = {m_install.Folder() + "\\flink.txt", m_install.Folder() + "\\Plugins\\flink.txt",
                                              data + "\\flink.txt", m_install.Folder() + "\\Plugins\\ServerLink.dll"};
  for (const std::string& link : folderLinks)
    if (!test::MakeUnixLink(link, outside.Path())) GTEST_SKIP() << "no links here";
  CreateDirectoryA(data.c_str(), nullptr);
  std::vector<std::string> targets;
  for (size_t i = 0; i < fileLinks.size(); ++i) {
    const bool server = i + 1 == fileLinks.size();
    targets.push_back(outside / (server ? "TheirServer.dll" : "theirs" + std::to_string(i) + ".txt"));
    if (!server) {
      ASSERT_TRUE(test::WriteFileBytes(targets.back(), "someone else's " + std::to_string(i)));
    }
    ASSERT_TRUE(test::MakeUnixLink(fileLinks[i], targets.back())) << fileLinks[i];
  }
  std::vector<std::string> before(targets.size());
  for (size_t i = 0; i < targets.size(); ++i) ASSERT_TRUE(test::ReadFileBytes(targets[i], before[i]));
  // The list of COM servers names, after the client's own, a link to a server, the folder link and a
  // server through it, as a damaged installation might.
  std::string list;
  ASSERT_TRUE(test::ReadFileBytes(m_install.Folder() + "\\reg.ini", list));
  ASSERT_TRUE(test::WriteFileBytes(m_install.Folder() + "\\reg.ini",
                                   list + "Plugins\\ServerLink.dll\r\nLinked\r\nLinked\\TheirServer.dll\r\n"));

  DriveOptions drive;
  drive.keepData = 0;
  const UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
  for (size_t i = 0; i < targets.size(); ++i) {
    std::string bytes;
    EXPECT_TRUE(test::ReadFileBytes(targets[i], bytes) && bytes == before[i]) << targets[i];
  }
  EXPECT_EQ("", test::StandInLog("TheirServer")) << "a server behind a link was asked to unregister";
  EXPECT_EQ("", test::StandInLog("ServerLink")) << "a server behind a link was asked to unregister";
  ExpectOnlyTheClientsItemsRemoved(m_install, run);
  // The client's own files went, the server it lists among them; the links stayed, said so.
  EXPECT_FALSE(test::FileExists(m_install.Folder() + "\\" + m_install.Define("PROGRAM_FILENAME")));
  EXPECT_FALSE(test::FileExists(m_install.Folder() + "\\Plugins\\ComServerOk.dll"));
  EXPECT_NE(std::string::npos, test::StandInLog("ComServerOk").find("DllUnregisterServer"));
  for (const std::string& link : fileLinks) EXPECT_TRUE(test::FileExists(link)) << link;
  EXPECT_EQ(1625, run.exitCode) << run.transcript;
  for (const std::string& link : fileLinks) test::RemoveUnixLink(link);
  for (const std::string& link : folderLinks) test::RemoveUnixLink(link);
  m_install.Remove();
}

// The client's registry keys are never followed through a registry link: a link a user could add
// below one of them goes as the link, and the key it leads to stays whole. A key whose values steer
// what is removed (the setup information) and that others could change is not used: the
// installation folder and the shortcuts it names stay, left for safety, and the rest goes.
TEST_F(FullUninstall, LinksAndChangeableKeysAmongTheClientsKeysSteerNothing) {
  Install();
  const std::string victim = "SOFTWARE\\OtherProductsKey";
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, victim, "Setting", "someone else's"));
  ASSERT_TRUE(test::MakeRegistryLink(HKEY_LOCAL_MACHINE, "SOFTWARE\\Mirel_Mini\\Linked",
                                     L"\\Registry\\Machine\\Software\\OtherProductsKey"));
  DriveOptions drive;
  drive.arguments = "/S";
  UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
  EXPECT_EQ(0, run.exitCode) << run.transcript;
  std::string value;
  EXPECT_TRUE(test::ReadRegString(HKEY_LOCAL_MACHINE, victim, "Setting", value) && value == "someone else's");
  EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Mirel_Mini"));
  // The link went as a link (the snapshot saw the other key's value through it); the rest is the client's.
  ExpectOnlyTheClientsItemsRemoved(m_install, run, "hklm\\software\\mirel_mini\\linked");

  Install();
  const std::string infoKey = "SOFTWARE\\Mirel_Mini\\Dorn_pppoe\\SetupInfo";
  ASSERT_TRUE(test::SetKeySecurity(HKEY_LOCAL_MACHINE, infoKey, "O:BAD:(A;;KA;;;BA)(A;;KA;;;WD)"));
  run = test::RunUninstall(m_install, "winxp", drive);
  EXPECT_EQ(1625, run.exitCode) << run.transcript;
  EXPECT_TRUE(test::FileExists(m_install.Folder() + "\\" + m_install.Define("PROGRAM_FILENAME")));
  EXPECT_TRUE(test::FileExists(m_install.Folder() + "\\Uninstall.exe"));
  ExpectOnlyTheClientsItemsRemoved(m_install, run);
  // Nothing of the installation went but what the browser's own uninstaller removes of itself.
  const std::string browser = test::LowerPath(m_install.Folder()) + "\\pavobrowser";
  for (const std::string& item : run.Removed()) {
    if (item.find(browser) == std::string::npos) {
      EXPECT_EQ(std::string::npos, item.find(test::LowerPath(m_install.Folder()))) << item;
    }
  }
  test::DeleteKeyTree(HKEY_LOCAL_MACHINE, victim);
  m_install.Remove();
}

// Ended by force at each step of its timeline, then started again from the installation folder:
// the next run finishes with the first run's choices (driver and data go), the entries go only
// at its end, and the machine ends as after one uninterrupted run. Also when Task Manager's End
// Task first asked the progress dialog to close (it does not: only the worker ends it), and when
// the run was started by its short path and ended at its closing message (its companions, known
// by identity, are still there for the next run).
TEST_F(FullUninstall, ARunEndedAtAnyStepIsFinishedByTheNextRun) {
  const std::string entry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  struct KillPoint {
    const char* marker;
    bool interactiveResume = false;
    const char* endTaskAt = nullptr;  // an interactive run asked to close at this step first
    bool shortPath = false;           // an interactive run started by its short path
    bool englishEntryGone = false;    // the run is past the removal of that entry
  } points[] = {{"run recorded"}, {"phase 1: programs, files and registry"}, {"phase 1 end"},
                {"phase 2: drivers, through DriverSetup.dll"}, {"phase 3 end", true}, {"closing"},
                {"removing the entries"}, {"finishing program started", false, nullptr, false, true},
                {"phase 3: files and folders", false, "phase 1 end"}, {"closing message", false, nullptr, true}};
  for (const KillPoint& k : points) {
    SCOPED_TRACE(std::string(k.marker) + (k.endTaskAt ? " after End Task" : "") + (k.shortPath ? " by short path" : ""));
    Install();
    const test::Snapshot before = test::TakeSnapshot(test::EndToEndSnapshotOptions());
    const std::string program = m_install.Folder() + "\\Uninstall.exe";
    bool askedToClose = false, stillShown = false;
    test::WatchedRun watched{"winxp", "/S /KEEPDRIVER=0 /KEEPDATA=0", std::string(), false};
    if (k.endTaskAt || k.shortPath) {
      char shortPath[MAX_PATH] = {};
      ASSERT_NE(0u, GetShortPathNameA(program.c_str(), shortPath, MAX_PATH));
      watched = {"winxp", "/KEEPDRIVER=0 /KEEPDATA=0", k.shortPath ? shortPath : "", true};
    }
    ASSERT_EQ(test::kKilledAtMarker, test::RunUninstallWatching(m_install, watched, [&](const std::string& step, DWORD id) {
      if (k.endTaskAt && step == k.endTaskAt)
        askedToClose = PostMessageA(test::VisibleDialogOf(id), WM_CLOSE, 0, 0) != FALSE;
      if (step != k.marker) return false;
      stillShown = test::VisibleDialogOf(id) != nullptr;
      return true;
    }));
    if (k.endTaskAt) {
      EXPECT_TRUE(askedToClose && stillShown) << "the progress dialog went at End Task";
    }
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, entry + m_install.Define("UNINSTALL_KEY")));
    EXPECT_EQ(!k.englishEntryGone, test::KeyExists(HKEY_LOCAL_MACHINE, entry + m_install.Define("PROGRAME_ENG_NAME")));
    // A finishing program the run had started ended with it, and left the uninstaller in place.
    EXPECT_TRUE(test::WaitUntil([&] { return test::StandInLog("Unl").find("deleted") == std::string::npos; }, 2000) &&
                test::FileExists(program));
    DriveOptions drive;  // no answers given: the record's choices count
    drive.arguments = k.interactiveResume ? "" : "/S";
    UninstallRun run = test::RunUninstall(m_install, "winxp", drive);
    run.before = before;
    // The person's answers in the dialog count: the driver keeps the driver.
    EXPECT_EQ(k.interactiveResume ? 0 : 3010, run.exitCode) << run.transcript;
    if (k.interactiveResume) {
      EXPECT_NE(std::string::npos, run.transcript.find("window message")) << run.transcript;
    }
    Expectation e;
    e.keepData = 0;
    ExpectFootprint(run, e);
    EXPECT_NE(std::string::npos, test::StandInLog("Unl").find("21,")) << test::StandInLog("Unl");
    m_install.Remove();
  }
}

// A second uninstaller while one runs removes nothing and says so; the first run is unharmed.
TEST_F(FullUninstall, ASecondUninstallerWhileOneRunsDoesNothing) {
  Install();
  const test::Snapshot before = test::TakeSnapshot(test::EndToEndSnapshotOptions());
  const std::string exe = "\"" + m_install.Folder() + "\\Uninstall.exe\"";
  long silent = -1, interactive = -1;
  std::string transcript;
  const long first = test::RunUninstallPausingAt(m_install, "winxp", "/S", "phase 1: programs, files and registry", [&] {
    silent = test::RunAndWait(exe + " /S");
    interactive = test::RunAndCapture("\"" + test::SampleClientDir() + "\\driver.exe\" --exe " + exe, transcript);
    return false;
  });
  EXPECT_EQ(1618, silent);
  EXPECT_EQ(1618, interactive) << transcript;
  EXPECT_NE(std::string::npos, transcript.find(AlreadyRunningMessageFor(0).text)) << transcript;
  EXPECT_EQ(std::string::npos, transcript.find("window confirm")) << transcript;
  EXPECT_EQ(0, first);
  UninstallRun run;
  test::WaitUntil([] { return test::StandInLog("Unl").find("delete") != std::string::npos; }, 120000);
  run.before = before;
  run.after = test::TakeSnapshot(test::EndToEndSnapshotOptions());
  ExpectFootprint(run, Expectation());
}

// The single-run guard cannot be squatted: a mutex of the name a guard by name would take, which an
// ordinary user made first and holds, stops no uninstall, whether the uninstaller may open it or
// not (the guard lives where only administrators may make objects: the root of the object
// namespace, or from Windows Vista on a private namespace, which Wine lacks); another run holding
// the guard is another run.
TEST_F(FullUninstall, ASecondUninstallerIsNotFakedByAUsersMutex) {
  struct Squat {
    const char* sddl;  // the squatter's mutex: its owner and DACL; null for another run's guard
    long exitCode;
  } squats[] = {{"O:S-1-5-21-1-2-3-1003D:(A;;GA;;;WD)", 0},  // a user's, open to all
                {"O:S-1-5-21-1-2-3-1003D:(D;;GA;;;WD)", 0},  // a user's, closed to all
                {nullptr, 1618}};                            // another run's guard
  for (const Squat& squat : squats) {
    SCOPED_TRACE(squat.sddl ? squat.sddl : "another run");
    Install();
    ScopedHandle squatter;
    if (squat.sddl) {
      const std::vector<BYTE> descriptor = test::DescriptorFromSddl(WideFromAnsi(squat.sddl));
      ASSERT_FALSE(descriptor.empty());
      SECURITY_ATTRIBUTES attributes = {sizeof(attributes), const_cast<BYTE*>(descriptor.data()), FALSE};
      squatter.Reset(CreateMutexA(&attributes, TRUE, "Global\\Mirel_Mini_Uninstall"));
    } else {
      squatter = test::HoldRootMutex(L"\\Mirel_Mini_Uninstall");
    }
    ASSERT_TRUE(squatter.IsValid());
    DriveOptions drive;
    drive.arguments = "/S";
    const UninstallRun run = test::RunUninstall(m_install, "win10", drive);
    EXPECT_EQ(squat.exitCode, run.exitCode) << run.transcript;
    if (squat.exitCode == 0) {
      ExpectFootprint(run, Expectation());
    } else {
      EXPECT_EQ(test::Describe({}), test::Describe(run.Removed()));
    }
    ReleaseMutex(squatter.Get());
    m_install.Remove();
  }
}

}  // namespace
