// Closing the running client with real processes: the sample client's stand-ins run under the
// names the test's language pack gives, the question box is answered from a second thread, and
// the stand-ins' logs tell which messages arrived.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cleanup/processes/close_programs.h"
#include "cleanup/processes/process_command_line.h"
#include "cleanup/processes/process_list.h"
#include "close_programs_support.h"

namespace {

using close_test::Gbk;
using close_test::QuestionAnswerer;
using close_test::QuestionTexts;
using close_test::StandIn;

const char kClientExe[] = "VUVizeduVidizi.exe";  // the client stand-in as built
const char kHotspotExe[] = "HotspotQuery.exe";
const char kFrameClass[] = "Afx:400000:b:10011:6:b035d";
const char kDialogClass[] = "#32770";
// The client's file name as the pack gives it (with blanks and in another case) and as it runs.
const char kRunAs[] = "TestDialer.exe";
// A process id no process has (ids are multiples of four and far smaller).
const DWORD kNoSuchProcess = 0x7FFFFFF2;

std::string Pack() {
  return close_test::PackWithDefines(
      "<PROGRAME_ENG_NAME>TestDialer Main</PROGRAME_ENG_NAME>\r\n"
      "<PROGRAM_CLIENT_NAME>" + Gbk("测试客户端") + "</PROGRAM_CLIENT_NAME>\r\n"
      "<PROGRAM_NAME>Test Dialer</PROGRAM_NAME>\r\n"
      "<PROGRAM_FILENAME> testDIALER.exe </PROGRAM_FILENAME>");
}

class PackEnvironment : public ::testing::Environment {
public:
  void SetUp() override { close_test::LoadPack(Pack()); }
};
const auto* const g_pack = ::testing::AddGlobalTestEnvironment(new PackEnvironment);

// Each test gets a folder of its own for the stand-ins, with the same pack beside them, so the
// client stand-in titles its window with the same defines the uninstaller looks for.
class CloseClient : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(test::WriteFileBytes(m_folder / "Language.xml", Pack())); }

  std::unique_ptr<StandIn> Start(const std::string& runAs, const std::string& arguments,
                                 const char* source = kClientExe) {
    auto standIn = std::make_unique<StandIn>(m_folder.Path(), source, runAs, arguments);
    EXPECT_TRUE(standIn->Started()) << runAs << " " << arguments;
    EXPECT_TRUE(standIn->WaitForLogStart()) << runAs;
    return standIn;
  }
  std::unique_ptr<StandIn> StartWithWindow(const std::string& runAs, const std::string& arguments,
                                           const char* windowClass, const char* source = kClientExe) {
    auto standIn = Start(runAs, arguments, source);
    EXPECT_NE(nullptr, standIn->WaitForWindow(windowClass)) << runAs << " " << arguments;
    // Logged once the window has its title.
    EXPECT_TRUE(standIn->WaitForLogPrefix("window")) << runAs << " " << arguments;
    return standIn;
  }
  std::unique_ptr<StandIn> StartHotspot() {
    return StartWithWindow(kHotspotExe, "", kDialogClass, kHotspotExe);
  }

  // True when the hotspot window never got the exit message: a WM_CLOSE posted now reaches it
  // after anything posted before, and it answers with "close" only if it was still there.
  static bool HotspotWasLeftAlone(const StandIn& hotspot) {
    const HWND window = close_test::FindWindowOf(hotspot.Pid(), kDialogClass);
    if (!window) return false;
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    return hotspot.WaitForLog("close") && !hotspot.Logged("exit-message");
  }

  static DWORD OwnerOf(HWND window) {
    DWORD pid = 0;
    if (window) ::GetWindowThreadProcessId(window, &pid);
    return pid;
  }

  test::TempDir m_folder;
  QuestionTexts m_question;
};

TEST_F(CloseClient, MainWindowIsFoundByEachLookup) {
  struct Case { const char* name; std::string arguments; const char* windowClass; } cases[] = {
      {"frame titled by the English name", "--frame", kFrameClass},
      {"dialog titled by the English name", "--dialog", kDialogClass},
      {"dialog titled by the client name", "--dialog --define PROGRAM_CLIENT_NAME", kDialogClass},
      {"dialog titled by the program name", "--dialog --define PROGRAM_NAME", kDialogClass},
      {"dialog with the branded title", "--dialog --title " + Gbk("TelorisSkylin客户端"), kDialogClass},
  };
  EXPECT_EQ(nullptr, FindClientMainWindow(close_test::PackNames()));
  for (const Case& c : cases) {
    auto client = StartWithWindow(kRunAs, c.arguments, c.windowClass);
    EXPECT_EQ(client->Pid(), OwnerOf(FindClientMainWindow(close_test::PackNames()))) << c.name;
  }
  // A frame of another title, and a dialog of an unknown title, are not the client's.
  auto other = StartWithWindow(kRunAs, "--frame --title Other", kFrameClass);
  auto unknown = StartWithWindow(kRunAs, "--dialog --title Unknown", kDialogClass);
  EXPECT_EQ(nullptr, FindClientMainWindow(close_test::PackNames()));

  // With several up, the first lookup wins: the frame over a dialog started before it.
  auto dialog = StartWithWindow(kRunAs, "--dialog --define PROGRAM_CLIENT_NAME", kDialogClass);
  auto frame = StartWithWindow(kRunAs, "--frame", kFrameClass);
  EXPECT_EQ(frame->Pid(), OwnerOf(FindClientMainWindow(close_test::PackNames())));
}

TEST_F(CloseClient, WindowFoundAndYesSendsTheMessagesInOrderAndEndsEverything) {
  auto client = StartWithWindow(kRunAs, "--frame", kFrameClass);
  auto second = Start(kRunAs, "--no-window");
  auto hotspot = StartHotspot();
  // The hotspot-search client's file name, in another case.
  auto hotspotClient = Start("vuVIZEDUvidizi.EXE", "--no-window");
  QuestionAnswerer answerer(IDYES);

  EXPECT_EQ(TRUE, close_test::CloseClientWithin(TRUE));

  EXPECT_EQ(1, answerer.Asked());
  EXPECT_EQ(QuestionTexts::Text(), answerer.LastText());
  EXPECT_TRUE(answerer.LastWasYesNo());
  EXPECT_EQ((std::vector<std::string>{"start", "window TestDialer Main", "message 0x0402",
                                      "message 0x0401", "exit"}),
            client->LogLines());
  EXPECT_TRUE(client->WaitForExit());
  EXPECT_TRUE(second->WaitForExit());
  EXPECT_TRUE(hotspot->WaitForLog("exit-message"));
  EXPECT_TRUE(hotspot->WaitForExit());
  EXPECT_TRUE(hotspotClient->WaitForExit());
}

TEST_F(CloseClient, WindowFoundAndNoTouchesNothing) {
  auto client = StartWithWindow(kRunAs, "--dialog --define PROGRAM_NAME", kDialogClass);
  auto hotspot = StartHotspot();
  auto hotspotClient = Start(kClientExe, "--no-window");
  QuestionAnswerer answerer(IDNO);

  EXPECT_EQ(FALSE, close_test::CloseClientWithin(TRUE));

  EXPECT_EQ(1, answerer.Asked());
  // The messages would have been sent (and logged) before the call returned.
  EXPECT_EQ((std::vector<std::string>{"start", "window Test Dialer"}), client->LogLines());
  EXPECT_TRUE(client->IsRunning());
  EXPECT_TRUE(hotspotClient->IsRunning());
  EXPECT_TRUE(HotspotWasLeftAlone(*hotspot));
}

TEST_F(CloseClient, RunningWithoutAWindowIsAskedAboutAndKilledOnYes) {
  auto client = Start(kRunAs, "--no-window");
  auto hotspot = StartHotspot();
  QuestionAnswerer answerer(IDYES);

  EXPECT_EQ(TRUE, close_test::CloseClientWithin(TRUE));

  EXPECT_EQ(1, answerer.Asked());
  EXPECT_TRUE(client->WaitForExit());
  EXPECT_TRUE(HotspotWasLeftAlone(*hotspot));
}

TEST_F(CloseClient, RunningWithoutAWindowAndNoKeepsItRunning) {
  auto client = Start(kRunAs, "--no-window");
  QuestionAnswerer answerer(IDNO);

  EXPECT_EQ(FALSE, close_test::CloseClientWithin(TRUE));

  EXPECT_EQ(1, answerer.Asked());
  EXPECT_TRUE(client->IsRunning());
}

TEST_F(CloseClient, NothingRunningAsksNothingAndLeavesTheHotspotAlone) {
  auto hotspot = StartHotspot();
  auto hotspotClient = Start(kClientExe, "--no-window");
  QuestionAnswerer answerer(IDYES);

  EXPECT_EQ(TRUE, close_test::CloseClientWithin(TRUE));

  EXPECT_EQ(0, answerer.Asked());
  EXPECT_TRUE(hotspotClient->IsRunning());
  EXPECT_TRUE(HotspotWasLeftAlone(*hotspot));
}

TEST_F(CloseClient, WithoutAskingEverythingGoesOnAsAfterYes) {
  auto client = StartWithWindow(kRunAs, "--frame", kFrameClass);
  QuestionAnswerer answerer(IDNO);

  EXPECT_EQ(TRUE, close_test::CloseClientWithin(FALSE));

  EXPECT_EQ(0, answerer.Asked());
  EXPECT_TRUE(client->Logged("message 0x0401"));
  EXPECT_TRUE(client->WaitForExit());
}

TEST_F(CloseClient, SeveralClientProcessesAreAllEnded) {
  // The windowed one ignores the messages, so it has to be terminated like the others.
  auto stubborn = StartWithWindow(kRunAs, "--frame --ignore-messages", kFrameClass);
  std::vector<std::unique_ptr<StandIn>> others;
  for (int i = 0; i < 3; ++i) others.push_back(Start(kRunAs, "--no-window"));
  QuestionAnswerer answerer(IDYES);

  EXPECT_EQ(TRUE, close_test::CloseClientWithin(TRUE));

  EXPECT_TRUE(stubborn->Logged("message 0x0402"));
  EXPECT_TRUE(stubborn->Logged("message 0x0401"));
  EXPECT_TRUE(stubborn->WaitForExit());
  EXPECT_FALSE(stubborn->Logged("exit"));  // it did not end by itself
  for (const auto& other : others) EXPECT_TRUE(other->WaitForExit());
}

// A client that stops answering costs at most the two 10 s time-outs, then it is terminated.
TEST_F(CloseClient, AClientThatDoesNotAnswerIsTerminated) {
  auto hung = StartWithWindow(kRunAs, "--frame --hang", kFrameClass);
  ASSERT_TRUE(hung->WaitForLog("hang"));
  QuestionAnswerer answerer(IDYES);

  const DWORD start = ::GetTickCount();
  EXPECT_EQ(TRUE, close_test::CloseClientWithin(TRUE));
  std::printf("closing a hung client took %lu ms\n", ::GetTickCount() - start);

  EXPECT_EQ(1, answerer.Asked());
  EXPECT_FALSE(hung->Logged("message 0x0402"));
  EXPECT_TRUE(hung->WaitForExit());
}

TEST_F(CloseClient, CloseOrKillProcessResults) {
  // Ends by itself on WM_CLOSE within the time-out.
  auto polite = StartHotspot();
  EXPECT_EQ(1, CloseOrKillProcess(polite->Pid(), 20000));
  EXPECT_TRUE(polite->Logged("close"));

  // Ignores WM_CLOSE: terminated.
  auto stubborn = StartWithWindow(kRunAs, "--frame --ignore-messages", kFrameClass);
  EXPECT_EQ(2, CloseOrKillProcess(stubborn->Pid(), 0));
  EXPECT_TRUE(stubborn->WaitForExit());

  // No such process: cannot be opened.
  EXPECT_EQ(0, CloseOrKillProcess(kNoSuchProcess, 0));
}

TEST_F(CloseClient, HelpViewerIsClosedOnlyWhenItShowsTheGivenFile) {
  const std::string ours = m_folder / "Client\\Help.CHM";
  const std::string theirs = m_folder / "Other\\help.chm";
  auto ourViewer = Start("hh.exe", ours, "hh.exe");
  test::TempDir otherFolder;
  StandIn theirViewer(otherFolder.Path(), "hh.exe", "hh.exe", theirs);
  ASSERT_TRUE(theirViewer.WaitForLogStart());

  EXPECT_EQ(FALSE, CloseHelpViewer((m_folder / "Client\\Missing.chm").c_str()));
  EXPECT_TRUE(ourViewer->IsRunning());

  std::string asked = ours;
  for (char& c : asked) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(TRUE, CloseHelpViewer(asked.c_str()));
  EXPECT_TRUE(ourViewer->WaitForExit());
  EXPECT_TRUE(theirViewer.IsRunning());
}

TEST_F(CloseClient, CommandLineOfAnotherProcess) {
  // A GBK folder name: the text comes back in the system code page.
  const std::string helpFile = m_folder / (Gbk("帮助") + "\\help.chm");
  auto viewer = Start("hh.exe", helpFile, "hh.exe");

  char buffer[1024];
  std::memset(buffer, 'x', sizeof(buffer));
  ASSERT_EQ(0u, GetProcessCommandLine(viewer->Pid(), buffer, sizeof(buffer)));
  EXPECT_EQ(viewer->CommandLine(), buffer);

  // Cut to the buffer, never inside a double-byte character, always terminated.
  const std::string full = viewer->CommandLine();
  const size_t chinese = full.find(Gbk("帮助"));
  ASSERT_NE(std::string::npos, chinese);
  char small[512];
  const unsigned splitting = static_cast<unsigned>(chinese + 2);  // room for 1.5 characters
  ASSERT_LT(splitting, sizeof(small));
  ASSERT_EQ(0u, GetProcessCommandLine(viewer->Pid(), small, splitting));
  EXPECT_EQ(full.substr(0, chinese), small);  // the half character is left out
  ASSERT_EQ(0u, GetProcessCommandLine(viewer->Pid(), small, splitting + 1));
  EXPECT_EQ(full.substr(0, chinese + 2), small);

  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetProcessCommandLine(viewer->Pid(), nullptr, 10));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetProcessCommandLine(viewer->Pid(), buffer, 0));
}

TEST_F(CloseClient, CommandLineOfAProcessThatCannotBeReadGivesItsCode) {
  auto viewer = Start("hh.exe", "help.chm", "hh.exe");
  const DWORD pid = viewer->Pid();
  // Still open through our handle after it ended: the process can be opened, not read.
  ::TerminateProcess(viewer->Handle(), 0);
  ASSERT_TRUE(viewer->WaitForExit());
  char buffer[64];
  std::memset(buffer, 'x', sizeof(buffer));
  EXPECT_EQ(kCommandLineReadFailed, GetProcessCommandLine(pid, buffer, sizeof(buffer)));
  EXPECT_EQ('x', buffer[0]);  // nothing copied

  // Processes that cannot be opened: the code of the failed open, as the system gives it.
  for (DWORD noProcess : {static_cast<DWORD>(0), kNoSuchProcess}) {
    ::SetLastError(0);
    const HANDLE probe = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, noProcess);
    const DWORD expected = ::GetLastError();
    ASSERT_EQ(nullptr, probe);
    ASSERT_NE(0u, expected);
    EXPECT_EQ(expected, GetProcessCommandLine(noProcess, buffer, sizeof(buffer))) << noProcess;
    EXPECT_EQ('x', buffer[0]);
  }
}

// The browser's uninstaller is started from the running program's folder; a folder with a
// blank and a program named like its first word must not take its place.
TEST_F(CloseClient, BrowserUninstallerStartsFromTheProgramFolder) {
  const std::string programFolder = m_folder / "pb dir";
  ASSERT_TRUE(::CreateDirectoryA(programFolder.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((programFolder + "\\PavoBrowser").c_str(), nullptr));
  const std::string uninstaller = test::SampleClientDir() + "\\PavoBrowser\\Unin.exe";
  ASSERT_TRUE(::CopyFileA(uninstaller.c_str(), (programFolder + "\\PavoBrowser\\Unin.exe").c_str(), FALSE));
  ASSERT_TRUE(::CopyFileA(uninstaller.c_str(), (m_folder / "pb.exe").c_str(), FALSE));
  const std::string probe = programFolder + "\\browser_uninstaller_probe.exe";
  ASSERT_TRUE(::CopyFileA((test::ExeDir() + "\\browser_uninstaller_probe.exe").c_str(), probe.c_str(), FALSE));

  EXPECT_EQ(0, test::RunAndWait("\"" + probe + "\""));

  const std::string log = programFolder + "\\PavoBrowser\\Unin.log";
  std::string lines;
  EXPECT_TRUE(test::WaitUntil([&] { return test::ReadFileBytes(log, lines) && !lines.empty(); }));
  EXPECT_NE(std::string::npos, lines.find(" args -Qlume\r\n")) << lines;
  EXPECT_FALSE(test::FileExists(m_folder / "pb.log"));
  // Unin.exe has ended before the folder goes.
  test::WaitUntil([&] { return ::DeleteFileA((programFolder + "\\PavoBrowser\\Unin.exe").c_str()) != FALSE; });
}

// A process list gives the program's file name (Windows NT), or its full path, perhaps of short
// names (Windows 95, 98 and Me): each form reads as the long file name the client is known by.
TEST(ExecutableName, EveryFormAProcessListGivesReadsAsTheLongName) {
  test::TempDir dir;
  const std::string longName = "VUVizeduVidizi client.exe";
  ASSERT_TRUE(test::WriteFileBytes(dir / longName, "MZ"));
  char shortPath[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetShortPathNameA((dir / longName).c_str(), shortPath, MAX_PATH));
  ASSERT_NE(std::string(shortPath), dir / longName) << "no short names here";
  for (const std::string& listed : {longName, dir / longName, std::string(shortPath)})
    EXPECT_EQ(longName, ExecutableNameOf(listed)) << listed;
  EXPECT_EQ("gone.exe", ExecutableNameOf(dir / "gone.exe"));
}

}  // namespace
