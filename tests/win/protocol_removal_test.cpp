// The protocol removal against the real detector stand-in at "c:\Ipdetect.exe": which component
// is asked about and removed, the report file's window and its deletion. The stand-in logs
// every command line it gets, so the tests see exactly which calls were made and in what order.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "cleanup/steps/protocol_removal.h"
#include "framework/wide_text.h"
#include "support/test_support.h"

namespace {

const std::string kTool = "c:\\Ipdetect.exe";
const std::string kReport = "c:\\Dpppoe.txt";
const std::string kMarker = "dornpppoe found.";

std::string CheckCall(const std::string& component) {
  return kTool + " -c" + component + " -f" + kReport;
}
std::string RemovalCall(const std::string& component) { return kTool + " -u" + component; }

// Moves a file of the drive root aside for the test and puts it back afterwards, so the test
// neither sees nor destroys what another program left there.
class SetAsideFile {
public:
  SetAsideFile(const std::string& path, const std::string& store) : m_path(path), m_store(store) {
    ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    m_hadFile = ::MoveFileExA(m_path.c_str(), m_store.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
  }
  ~SetAsideFile() {
    ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(m_path.c_str());
    if (m_hadFile) ::MoveFileExA(m_store.c_str(), m_path.c_str(), MOVEFILE_COPY_ALLOWED);
  }
  SetAsideFile(const SetAsideFile&) = delete;
  SetAsideFile& operator=(const SetAsideFile&) = delete;

private:
  std::string m_path;
  std::string m_store;
  bool m_hadFile = false;
};

// Sets an environment variable of this process (and so of the programs it starts) for the
// test's lifetime; an empty value removes it.
class ScopedEnvironment {
public:
  explicit ScopedEnvironment(const char* name) : m_name(name) {
    char value[4096];
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof(value));
    m_hadValue = length > 0 && length < sizeof(value);
    if (m_hadValue) m_oldValue.assign(value, length);
    Set("");
  }
  ~ScopedEnvironment() {
    ::SetEnvironmentVariableA(m_name.c_str(), m_hadValue ? m_oldValue.c_str() : nullptr);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void Set(const std::string& value) {
    ::SetEnvironmentVariableA(m_name.c_str(), value.empty() ? nullptr : value.c_str());
  }

private:
  std::string m_name;
  std::string m_oldValue;
  bool m_hadValue = false;
};

class CurrentDirectoryKeeper {
public:
  CurrentDirectoryKeeper() {
    char dir[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, dir);
    m_dir = dir;
  }
  ~CurrentDirectoryKeeper() { ::SetCurrentDirectoryA(m_dir.c_str()); }
  CurrentDirectoryKeeper(const CurrentDirectoryKeeper&) = delete;
  CurrentDirectoryKeeper& operator=(const CurrentDirectoryKeeper&) = delete;

private:
  std::string m_dir;
};

std::string CurrentDirectory() {
  char dir[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, dir);
  return dir;
}

class DetectorTool : public ::testing::Test {
protected:
  // Declared first, so it outlives everything that keeps files in it.
  test::TempDir m_store;
  SetAsideFile m_tool{kTool, m_store / "tool.aside"};
  SetAsideFile m_report{kReport, m_store / "report.aside"};
  ScopedEnvironment m_logDir{"SAMPLE_CLIENT_LOG_DIR"};
  ScopedEnvironment m_installed{"IPDETECT_INSTALLED"};
  ScopedEnvironment m_zeroBytes{"IPDETECT_ZERO_BYTES"};
  ScopedEnvironment m_markerOffset{"IPDETECT_MARKER_OFFSET"};
  CurrentDirectoryKeeper m_currentDirectory;

  void SetUp() override {
    ASSERT_FALSE(test::FileExists(kTool));
    ASSERT_FALSE(test::FileExists(kReport));
    m_logDir.Set(m_store.Path());
  }

  void InstallTool() {
    const std::string standIn = test::SampleClientDir() + "\\Ipdetect.exe";
    ASSERT_TRUE(::CopyFileA(standIn.c_str(), kTool.c_str(), FALSE)) << standIn;
  }

  std::string LogPath() const { return m_store / "Ipdetect.log"; }

  // The command lines the stand-in got, in order; the log is emptied.
  std::vector<std::string> TakeCalls() {
    std::string log;
    std::vector<std::string> calls;
    if (!test::ReadFileBytes(LogPath(), log)) return calls;
    ::DeleteFileA(LogPath().c_str());
    for (size_t start = 0, end; start < log.size(); start = end + 2) {
      end = log.find("\r\n", start);
      if (end == std::string::npos) end = log.size();
      calls.push_back(log.substr(start, end - start));
    }
    return calls;
  }
};

TEST_F(DetectorTool, StandInWritesAReportForEveryCheck) {
  // The deletion tests below rely on a report being there also when nothing is found.
  InstallTool();
  m_installed.Set("NETPROTOCOL");
  std::string report;
  ASSERT_EQ(0, test::RunAndWait(CheckCall("NETPROTOCOL")));
  ASSERT_TRUE(test::ReadFileBytes(kReport, report));
  EXPECT_NE(std::string::npos, report.find(kMarker)) << report;
  ASSERT_EQ(0, test::RunAndWait(CheckCall("Dorn_PPPoE")));
  ASSERT_TRUE(test::ReadFileBytes(kReport, report));
  EXPECT_EQ(std::string::npos, report.find(kMarker)) << report;
  EXPECT_FALSE(report.empty());
  EXPECT_EQ(0, test::RunAndWait(RemovalCall("NETPROTOCOL")));
  EXPECT_EQ(2, test::RunAndWait(kTool + " -x"));
  EXPECT_EQ((std::vector<std::string>{CheckCall("NETPROTOCOL"), CheckCall("Dorn_PPPoE"),
                                      RemovalCall("NETPROTOCOL"), kTool + " -x"}),
            TakeCalls());
}

TEST_F(DetectorTool, CheckAnswersForTheAskedComponentAndDeletesTheReport) {
  InstallTool();
  m_installed.Set("Dorn_PPPoE,NETPROTOCOL");
  const struct {
    const char* component;
    int found;
  } cases[] = {{"Dorn_PPPoE", 1}, {"PAVOPROTOCOL", 0}, {"NETPROTOCOL", 1}, {"ZR_PROTOCOL", 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.found, CheckProtocolInstalled(c.component, WideFromAnsi(test::ExeDir()))) << c.component;
    EXPECT_FALSE(test::FileExists(kReport)) << c.component;
    EXPECT_EQ(std::vector<std::string>{CheckCall(c.component)}, TakeCalls()) << c.component;
  }
}

TEST_F(DetectorTool, MarkerCountsOnlyWithinTheReportsFirst1024Bytes) {
  InstallTool();
  m_installed.Set("PAVOPROTOCOL");
  const struct {
    const char* zeroBytes;
    const char* markerOffset;
    int found;
  } cases[] = {
      {"1", "", 1},        // zero bytes between the header and the marker
      {"", "1008", 1},     // marker ends exactly at byte 1,024
      {"", "1009", 0},     // its last byte is the 1,025th
      {"1", "1000", 1},    // zero-byte filler, marker inside
      {"1", "1020", 0},    // zero-byte filler, marker straddles the end
      {"", "4000", 0},     // far beyond
  };
  for (const auto& c : cases) {
    m_zeroBytes.Set(c.zeroBytes);
    m_markerOffset.Set(c.markerOffset);
    EXPECT_EQ(c.found, CheckProtocolInstalled("PAVOPROTOCOL", WideFromAnsi(test::ExeDir())))
        << "zero bytes '" << c.zeroBytes << "', offset '" << c.markerOffset << "'";
    EXPECT_FALSE(test::FileExists(kReport)) << c.markerOffset;
  }
  EXPECT_EQ(std::size(cases), TakeCalls().size());
}

TEST_F(DetectorTool, StaleReportIsReadByTheNextCheckAndThenGone) {
  // No tool: nothing writes a fresh report, so what an earlier run left is what is read.
  ASSERT_TRUE(test::WriteFileBytes(kReport, "earlier run\r\n" + kMarker + "\r\n"));
  ::SetFileAttributesA(kReport.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(1, CheckProtocolInstalled("NETPROTOCOL", WideFromAnsi(test::ExeDir())));
  EXPECT_FALSE(test::FileExists(kReport));
  EXPECT_EQ(0, CheckProtocolInstalled("NETPROTOCOL", WideFromAnsi(test::ExeDir())));
  EXPECT_EQ(0, CheckProtocolInstalled("Dorn_PPPoE", WideFromAnsi(test::ExeDir())));
}

// The tool runs in the program's folder, and this process's own current folder (the system folder
// in the program) stays where it was.
TEST_F(DetectorTool, CheckRunsFromTheProgramFolder) {
  InstallTool();
  ASSERT_TRUE(::SetCurrentDirectoryA(m_store.Path().c_str()));
  CheckProtocolInstalled("Dorn_PPPoE", WideFromAnsi(test::ExeDir()));
  EXPECT_EQ(0, ::lstrcmpiA(m_store.Path().c_str(), CurrentDirectory().c_str())) << CurrentDirectory();
}

TEST_F(DetectorTool, ComponentNameThatDoesNotFitOrIsMissingStartsNothing) {
  InstallTool();
  // The check's command line holds 511 characters; 33 of them are the fixed text around the name.
  const std::string longest(511 - CheckCall("").size(), 'N');
  const std::string tooLong = longest + "N";
  m_installed.Set(longest + "," + tooLong);
  EXPECT_EQ(1, CheckProtocolInstalled(longest.c_str(), WideFromAnsi(test::ExeDir())));
  EXPECT_EQ(std::vector<std::string>{CheckCall(longest)}, TakeCalls());
  EXPECT_EQ(0, CheckProtocolInstalled(tooLong.c_str(), WideFromAnsi(test::ExeDir())));
  EXPECT_EQ(0, CheckProtocolInstalled(nullptr, WideFromAnsi(test::ExeDir())));
  EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(DetectorTool, RemovalRunsSevenTimesForTheFirstInstalledComponent) {
  InstallTool();
  const struct {
    const char* installed;
    std::vector<std::string> asked;
    const char* removed;
  } cases[] = {
      {"", {"Dorn_PPPoE", "PAVOPROTOCOL", "NETPROTOCOL"}, "ZR_PROTOCOL"},
      {"Dorn_PPPoE", {"Dorn_PPPoE"}, "Dorn_PPPoE"},
      {"PAVOPROTOCOL", {"Dorn_PPPoE", "PAVOPROTOCOL"}, "PAVOPROTOCOL"},
      {"NETPROTOCOL", {"Dorn_PPPoE", "PAVOPROTOCOL", "NETPROTOCOL"}, "NETPROTOCOL"},
      {"Dorn_PPPoE,PAVOPROTOCOL", {"Dorn_PPPoE"}, "Dorn_PPPoE"},
      {"Dorn_PPPoE,NETPROTOCOL", {"Dorn_PPPoE"}, "Dorn_PPPoE"},
      {"PAVOPROTOCOL,NETPROTOCOL", {"Dorn_PPPoE", "PAVOPROTOCOL"}, "PAVOPROTOCOL"},
      {"NETPROTOCOL,PAVOPROTOCOL,Dorn_PPPoE", {"Dorn_PPPoE"}, "Dorn_PPPoE"},
      // Never asked about, so reporting it changes nothing.
      {"ZR_PROTOCOL", {"Dorn_PPPoE", "PAVOPROTOCOL", "NETPROTOCOL"}, "ZR_PROTOCOL"},
  };
  for (const auto& c : cases) {
    m_installed.Set(c.installed);
    RemoveClientProtocol(WideFromAnsi(test::ExeDir()));
    std::vector<std::string> expected;
    for (const std::string& component : c.asked) expected.push_back(CheckCall(component));
    expected.insert(expected.end(), 7, RemovalCall(c.removed));
    EXPECT_EQ(expected, TakeCalls()) << "installed: " << c.installed;
    EXPECT_FALSE(test::FileExists(kReport)) << "installed: " << c.installed;
  }
}

}  // namespace
