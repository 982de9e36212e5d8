// COM unregistration on real folders and the stand-in servers: what the "reg.ini" lists collect,
// which servers are asked, what they answer, and the error log in the system directory with its
// switch, its size rule and its mutex. The log, the "LogMode" value and the vendor's keys are
// shared places and are put back as they were.
#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "cleanup/steps/com_unregister.h"
#include "cleanup/files/open_folder.h"
#include "framework/handles.h"
#include "support/test_support.h"

namespace {

using Paths = std::vector<std::string>;

// --- Shared places, put back after each test --------------------------------------------------

// The vendor's registry keys (removed again when the test made them) and the "LogMode" value.
class LogModeSwitch {
public:
  LogModeSwitch()
      : m_vendorExisted(test::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Mirel_Mini")),
        m_hadValue(test::ReadRegString(HKEY_LOCAL_MACHINE, kLogModeKey, "LogMode", m_value)) {}
  ~LogModeSwitch() {
    if (!m_vendorExisted) {
      test::DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Mirel_Mini");
    } else if (m_hadValue) {
      test::WriteRegString(HKEY_LOCAL_MACHINE, kLogModeKey, "LogMode", m_value);
    } else {
      Remove();
    }
  }
  LogModeSwitch(const LogModeSwitch&) = delete;
  LogModeSwitch& operator=(const LogModeSwitch&) = delete;

  void Set(const std::string& mode) {
    ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kLogModeKey, "LogMode", mode));
  }
  void Remove() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLogModeKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      ::RegDeleteValueA(key, "LogMode");
      ::RegCloseKey(key);
    }
  }

private:
  bool m_vendorExisted;
  std::string m_value;
  bool m_hadValue;
};

// Moves an existing "RegisterError.log" aside for the test and puts it back afterwards.
class LogFileAside {
public:
  LogFileAside() : m_path(RegisterLogPath()), m_store(m_path + ".test-saved") {
    m_hadFile = ::MoveFileExA(m_path.c_str(), m_store.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  ~LogFileAside() {
    ::DeleteFileA(m_path.c_str());
    if (m_hadFile) ::MoveFileExA(m_store.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  LogFileAside(const LogFileAside&) = delete;
  LogFileAside& operator=(const LogFileAside&) = delete;
  const std::string& Path() const { return m_path; }

private:
  std::string m_path;
  std::string m_store;
  bool m_hadFile = false;
};

// The log's lines without their time stamps; a separator line comes back empty. A line that does
// not have the exact form makes the test fail.
Paths LogMessages(const std::string& path) {
  std::string text;
  if (!test::ReadFileBytes(path, text)) return {};
  Paths messages;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated line: " << text.substr(start);
      break;
    }
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    if (line.empty()) {
      messages.push_back("");
      continue;
    }
    // "YYYY-MM-DD hh:mm:ss\t---\t" before the message.
    const std::string shape = "dddd-dd-dd dd:dd:dd\t---\t";
    bool ok = line.size() > shape.size();
    for (size_t i = 0; ok && i < shape.size(); ++i)
      ok = shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0 : shape[i] == line[i];
    EXPECT_TRUE(ok) << "malformed line: " << line;
    messages.push_back(ok ? line.substr(shape.size()) : line);
  }
  return messages;
}

class RegisterLog : public ::testing::Test {
protected:
  LogModeSwitch m_logMode;
  LogFileAside m_log;
};

// --- The log ----------------------------------------------------------------------------------

TEST_F(RegisterLog, WrittenOnlyWhenLogModeIsTrueInAnyCase) {
  struct Case {
    const char* mode;  // null: the value is missing
    bool written;
  } cases[] = {{"TRUE", true}, {"true", true}, {"True", true}, {nullptr, false},
               {"FALSE", false}, {"TRUE ", false}, {"", false}, {"1", false}};
  for (const Case& c : cases) {
    ::DeleteFileA(m_log.Path().c_str());
    if (c.mode)
      m_logMode.Set(c.mode);
    else
      m_logMode.Remove();
    WriteRegisterErrorLog("Start Unregister: C:\\x.dll");
    EXPECT_EQ(c.written, test::FileExists(m_log.Path())) << (c.mode ? c.mode : "<missing>");
  }
}

TEST_F(RegisterLog, LinesCarryATimeStampAndSeparatorsStandAlone) {
  m_logMode.Set("TRUE");
  WriteRegisterErrorLog("Start Unregister: C:\\\xb2\xe2\xca\xd4\\a.dll");
  WriteRegisterErrorLog("\n");
  WriteRegisterErrorLog("100% done %s");
  EXPECT_EQ((Paths{"Start Unregister: C:\\\xb2\xe2\xca\xd4\\a.dll", "", "100% done %s"}),
            LogMessages(m_log.Path()));
  std::string text;
  ASSERT_TRUE(test::ReadFileBytes(m_log.Path(), text));
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  char year[8];
  std::snprintf(year, sizeof(year), "%04d-", now.wYear);
  EXPECT_EQ(0u, text.find(year));
}

TEST_F(RegisterLog, ALogAboveOneMebibyteIsEmptiedFirst) {
  m_logMode.Set("TRUE");
  struct Case {
    size_t size;
    bool emptied;
  } cases[] = {{1048576, false}, {1048577, true}, {1500000, true}};
  for (const Case& c : cases) {
    ASSERT_TRUE(test::WriteFileBytes(m_log.Path(), std::string(c.size, 'x')));
    WriteRegisterErrorLog("next line");
    std::string text;
    ASSERT_TRUE(test::ReadFileBytes(m_log.Path(), text));
    if (c.emptied) {
      EXPECT_EQ((Paths{"next line"}), LogMessages(m_log.Path())) << c.size;
    } else {
      EXPECT_EQ(std::string(c.size, 'x'), text.substr(0, c.size));
      EXPECT_NE(std::string::npos, text.find("\t---\tnext line\r\n", c.size));
    }
  }
}

TEST_F(RegisterLog, TwoProcessesAppendingAtOnceKeepEveryLineWhole) {
  m_logMode.Set("TRUE");
  const int kLines = 150;
  HANDLE start = ::CreateEventA(nullptr, TRUE, FALSE, "RegisterLogProbeStart");
  ASSERT_NE(nullptr, start);
  const std::string probe = "\"" + test::ExeDir() + "\\register_log_probe.exe\" RegisterLogProbeStart " +
                            std::to_string(kLines) + " ";
  std::vector<HANDLE> processes;
  for (const char* tag : {"first", "second"}) {
    std::string commandLine = probe + tag;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    processes.push_back(pi.hProcess);
  }
  ::SetEvent(start);
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForMultipleObjects(2, processes.data(), TRUE, 300000));
  for (HANDLE p : processes) {
    DWORD code = 1;
    ::GetExitCodeProcess(p, &code);
    EXPECT_EQ(0u, code);
    ::CloseHandle(p);
  }
  ::CloseHandle(start);

  const Paths messages = LogMessages(m_log.Path());
  ASSERT_EQ(static_cast<size_t>(2 * kLines), messages.size());
  for (const char* tag : {"first", "second"}) {
    // Each writer's lines are all there, whole, in its own order.
    Paths own;
    for (const std::string& m : messages)
      if (m.rfind(std::string(tag) + " ", 0) == 0) own.push_back(m);
    ASSERT_EQ(static_cast<size_t>(kLines), own.size()) << tag;
    for (int n = 0; n < kLines; ++n) EXPECT_EQ(std::string(tag) + " " + std::to_string(n), own[n]);
  }
}

TEST_F(RegisterLog, AWriterWaitsWhileAnotherProcessHoldsTheLogMutex) {
  m_logMode.Set("TRUE");
  HANDLE mutex = ::CreateMutexA(nullptr, TRUE, kRegisterLogMutex);
  ASSERT_NE(nullptr, mutex);
  HANDLE start = ::CreateEventA(nullptr, TRUE, TRUE, "RegisterLogProbeHeld");
  std::string commandLine = "\"" + test::ExeDir() + "\\register_log_probe.exe\" RegisterLogProbeHeld 1 waited";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi));
  ::CloseHandle(pi.hThread);
  // While the mutex is held the writer cannot finish within a moment.
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(pi.hProcess, 1000));
  EXPECT_FALSE(test::FileExists(m_log.Path()));
  ::ReleaseMutex(mutex);
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(pi.hProcess, 60000));
  ::CloseHandle(pi.hProcess);
  // A holder that never lets go costs the writer its line, not its run.
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(mutex, 0));
  commandLine = "\"" + test::ExeDir() + "\\register_log_probe.exe\" RegisterLogProbeHeld 1 dropped";
  ASSERT_TRUE(::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  ::CloseHandle(pi.hThread);
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(pi.hProcess, 60000));
  ::CloseHandle(pi.hProcess);
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
  ::CloseHandle(start);
  EXPECT_EQ((Paths{"waited 0"}), LogMessages(m_log.Path()));
}

DWORD WINAPI TakeTheLogMutexAndEnd(LPVOID handle) {
  // Ends while owning the mutex, which leaves it abandoned; the handle keeps it alive.
  *static_cast<HANDLE*>(handle) = ::CreateMutexA(nullptr, TRUE, kRegisterLogMutex);
  return 0;
}

TEST_F(RegisterLog, AnAbandonedLogMutexIsTakenOverAndReleased) {
  m_logMode.Set("TRUE");
  HANDLE abandoned = nullptr;
  HANDLE thread = ::CreateThread(nullptr, 0, TakeTheLogMutexAndEnd, &abandoned, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 60000));
  ::CloseHandle(thread);
  ASSERT_NE(nullptr, abandoned);

  WriteRegisterErrorLog("after a writer died");
  // Another process can still write: the mutex was not kept by this one.
  HANDLE start = ::CreateEventA(nullptr, TRUE, TRUE, "RegisterLogProbeAbandoned");
  EXPECT_EQ(0, test::RunAndWait("\"" + test::ExeDir() +
                                "\\register_log_probe.exe\" RegisterLogProbeAbandoned 1 next"));
  ::CloseHandle(start);
  ::CloseHandle(abandoned);
  EXPECT_EQ((Paths{"after a writer died", "next 0"}), LogMessages(m_log.Path()));
}

// --- Collecting the files ---------------------------------------------------------------------

class Collect : public ::testing::Test {
protected:
  void File(const std::string& name) { ASSERT_TRUE(test::WriteFileBytes(m_dir / name, "x")); }
  void Folder(const std::string& name) { ASSERT_TRUE(::CreateDirectoryA((m_dir / name).c_str(), nullptr)); }
  void List(const std::string& folder, const std::string& text) {
    ASSERT_TRUE(test::WriteFileBytes((folder.empty() ? m_dir.Path() : m_dir / folder) + "\\reg.ini", text));
  }
  // What CollectFileList gives for the folder, as paths; the tree's folder is judged by the rule
  // as the workers judge theirs.
  Paths Collected(const std::string& folder = "", BOOL useList = TRUE) {
    CApprovedTree tree(test::ApprovedByTheRule(folder.empty() ? m_dir.Path() : m_dir / folder));
    std::vector<TreeEntry> entries;
    CollectFileList(tree, {}, entries, "reg.ini", useList);
    Paths list;
    for (const TreeEntry& entry : entries) list.push_back(tree.TextOf(entry));
    return list;
  }
  std::string P(const std::string& name) const { return m_dir / name; }
  test::TempDir m_dir;
};

TEST_F(Collect, AListIsFollowedInItsOrderAndAListedFolderWithoutListIsTakenWhole) {
  File("a.dll");
  File("b.ocx");
  File("unlisted.dll");
  Folder("sub");
  File("sub\\s1.dll");
  Folder("sub\\deep");
  File("sub\\deep\\d.ocx");
  List("", "b.ocx\r\nsub\r\nA.DLL\r\n");

  const Paths list = Collected();
  ASSERT_EQ(4u, list.size());
  EXPECT_EQ(P("b.ocx"), list[0]);
  Paths middle = {list[1], list[2]};
  std::sort(middle.begin(), middle.end());
  EXPECT_EQ((Paths{P("sub\\deep\\d.ocx"), P("sub\\s1.dll")}), middle);
  EXPECT_EQ(P("a.dll"), list[3]) << "the name as the file system has it";
}

TEST_F(Collect, AMissingNameEndsTheList) {
  File("first.dll");
  File("third.dll");
  List("", "first.dll\nmissing.dll\nthird.dll\n");
  EXPECT_EQ((Paths{P("first.dll")}), Collected());
}

TEST_F(Collect, EachSubFolderLooksForItsOwnList) {
  File("top.dll");
  Folder("listed");
  File("listed\\wanted.dll");
  File("listed\\ignored.dll");
  List("listed", "wanted.dll");
  Paths list = Collected();
  std::sort(list.begin(), list.end());
  EXPECT_EQ((Paths{P("listed\\wanted.dll"), P("top.dll")}), list);

  // Without use list the top folder's own list is passed over, its sub-folders' lists are not.
  List("", "top.dll");
  File("second.dll");
  list = Collected("", FALSE);
  std::sort(list.begin(), list.end());
  EXPECT_EQ((Paths{P("listed\\wanted.dll"), P("reg.ini"), P("second.dll"), P("top.dll")}), list);
}

TEST_F(Collect, NamesLeavingTheFolderOrReturningToItEndTheList) {
  Folder("inner");
  File("inner\\x.dll");
  File("outside.dll");
  File("inner\\y.dll");
  List("inner", "x.dll\n..\\outside.dll\ny.dll\n");
  EXPECT_EQ((Paths{P("inner\\x.dll")}), Collected("inner"));
  List("inner", ".\nx.dll\n");
  EXPECT_TRUE(Collected("inner").empty());
  List("inner", "C:\\windows\\system32\\ole32.dll\n");
  EXPECT_TRUE(Collected("inner").empty());
  // A wildcard yields one real entry, never the folder itself.
  List("inner", "*\n");
  const Paths wildcard = Collected("inner");
  ASSERT_EQ(1u, wildcard.size());
  EXPECT_TRUE(wildcard[0] == P("inner\\x.dll") || wildcard[0] == P("inner\\y.dll") ||
              wildcard[0] == P("inner\\reg.ini"))
      << wildcard[0];
}

TEST_F(Collect, NothingForAnEmptyTextOrAMissingFolder) {
  for (const std::string& folder : {std::string(), P("missing")}) {
    CApprovedTree tree(test::ApprovedByTheRule(folder));
    std::vector<TreeEntry> list(1);
    CollectFileList(tree, {}, list, "reg.ini", TRUE);
    CollectFileList(tree, {}, list, "reg.ini", FALSE);
    EXPECT_EQ(1u, list.size()) << folder;
  }
}

// --- Unregistering the stand-in servers ---------------------------------------------------------

class Unregister : public RegisterLog {
protected:
  void SetUp() override { m_logMode.Set("TRUE"); }
  // Copies a stand-in into the test folder (as name when given).
  std::string Install(const std::string& standIn, const std::string& name = "") {
    const std::string target = m_dir / (name.empty() ? standIn : name);
    EXPECT_TRUE(::CopyFileA((test::SampleClientDir() + "\\" + standIn).c_str(), target.c_str(), FALSE));
    return target;
  }
  // What the stand-in copied as name recorded, "<none>" when it was never loaded.
  std::string CallsOf(const std::string& baseName) {
    std::string log;
    return test::ReadFileBytes(m_dir / (baseName + ".log"), log) ? log : "<none>";
  }
  test::TempDir m_dir;
};

TEST_F(Unregister, EachOutcomeIsReportedAndLogged) {
  const std::string ok = Install("ComServerOk.dll");
  Install("ComServerDep.dll");
  const std::string fail = Install("ComServerFail.ocx");
  const std::string noExport = Install("ComServerNoExport.dll");
  const std::string missing = m_dir / "missing.dll";

  EXPECT_TRUE(UnregisterComServer(CJudgedFile::Open(WideFromAnsi(ok))));
  EXPECT_FALSE(UnregisterComServer(CJudgedFile::Open(WideFromAnsi(fail))));
  EXPECT_FALSE(UnregisterComServer(CJudgedFile::Open(WideFromAnsi(noExport))));
  EXPECT_FALSE(UnregisterComServer(CJudgedFile::Open(WideFromAnsi(missing))));

  EXPECT_EQ((Paths{"Start Unregister: " + ok, "DllUnregister Success: " + ok, "",
                   "Start Unregister: " + fail, "DllUnregister Fail: " + fail, "",
                   "Start Unregister: " + noExport, "GetProcAddress Fail: " + noExport, "",
                   "Start Unregister: " + missing, "LoadLibrary Fail: " + missing, ""}),
            LogMessages(m_log.Path()));
  // Each server was loaded, called where it could be, and unloaded again.
  EXPECT_EQ("attach\r\nDllUnregisterServer\r\ndetach\r\n", CallsOf("ComServerOk"));
  EXPECT_EQ("attach\r\nDllUnregisterServer\r\ndetach\r\n", CallsOf("ComServerFail"));
  EXPECT_EQ("attach\r\ndetach\r\n", CallsOf("ComServerNoExport"));
}

// A server is held from its judgement to its load: neither it nor a folder on its way can be
// written or renamed meanwhile, and what loads is the file that was judged.
TEST_F(Unregister, AServerIsCalledOnlyAsTheFileThatWasJudged) {
  const std::string ok = Install("ComServerOk.dll");
  Install("ComServerDep.dll");
  const CJudgedFile judged = CJudgedFile::Open(WideFromAnsi(ok));
  ASSERT_TRUE(judged.IsTrusted()) << judged.Why();
  EXPECT_FALSE(::MoveFileA(ok.c_str(), (m_dir / "elsewhere.dll").c_str())) << "a held server was renamed";
  EXPECT_FALSE(::MoveFileA(m_dir.Path().c_str(), (m_dir.Path() + "-moved").c_str())) << "its folder was renamed";
  EXPECT_FALSE(test::WriteFileBytes(ok, "changed")) << "a held server was written";
  EXPECT_TRUE(UnregisterComServer(judged));
  EXPECT_EQ("attach\r\nDllUnregisterServer\r\ndetach\r\n", CallsOf("ComServerOk"));
}

TEST_F(Unregister, AServerNeedingALibraryBesideItLoadsFromAnyFolder) {
  // The dependency lies only in the server's folder, which is neither the program's nor current.
  const std::string ok = Install("ComServerOk.dll", "Player.dll");
  Install("ComServerDep.dll");
  EXPECT_TRUE(UnregisterComServer(CJudgedFile::Open(WideFromAnsi(ok))));
  EXPECT_EQ("attach\r\nDllUnregisterServer\r\ndetach\r\n", CallsOf("Player"));
}

DWORD WINAPI UnregisterOnMultithreadedApartment(LPVOID path) {
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  const BOOL result = UnregisterComServer(CJudgedFile::Open(WideFromAnsi(*static_cast<std::string*>(path))));
  ::CoUninitialize();
  return static_cast<DWORD>(result);
}

TEST_F(Unregister, WithoutOleNothingIsLoaded) {
  std::string ok = Install("ComServerOk.dll");
  Install("ComServerDep.dll");
  HANDLE thread = ::CreateThread(nullptr, 0, UnregisterOnMultithreadedApartment, &ok, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 60000));
  DWORD result = 1;
  ::GetExitCodeThread(thread, &result);
  ::CloseHandle(thread);
  EXPECT_EQ(0u, result);
  EXPECT_EQ((Paths{"Start Unregister: " + ok, "OleInit Fail: " + ok}), LogMessages(m_log.Path()));
  EXPECT_EQ("<none>", CallsOf("ComServerOk"));
}

TEST_F(Unregister, TheWholeTreeIsWorkedThroughInListOrderWithTheSkipRules) {
  const std::string ok = Install("ComServerOk.dll");
  Install("ComServerDep.dll");
  const std::string fail = Install("ComServerFail.ocx");
  Install("ComServerOk.dll", "mfc80.dll");
  Install("ComServerOk.dll", "Gantry.dll");
  Install("ComServerOk.dll", "Unlisted.dll");
  ASSERT_TRUE(::CreateDirectoryA((m_dir / "plugins").c_str(), nullptr));
  const std::string plugin = Install("ComServerFail.ocx", "plugins\\View.OCX");
  ASSERT_TRUE(test::WriteFileBytes(m_dir / "plugins\\readme.txt", "not a server"));
  ASSERT_TRUE(test::WriteFileBytes(m_dir / "reg.ini",
                                   "ComServerFail.ocx\r\nmfc80.dll\r\nplugins\r\nGantry.dll\r\n"
                                   "ComServerDep.dll\r\nComServerOk.dll\r\n"));
  const std::string dep = m_dir / "ComServerDep.dll";

  CApprovedTree tree(test::ApprovedByTheRule(m_dir.Path()));
  UnregisterComServers(tree);
  EXPECT_EQ((Paths{"Start Unregister: " + fail, "DllUnregister Fail: " + fail, "",
                   "Start Unregister: " + plugin, "DllUnregister Fail: " + plugin, "",
                   "Start Unregister: " + dep, "GetProcAddress Fail: " + dep, "",
                   "Start Unregister: " + ok, "DllUnregister Success: " + ok, ""}),
            LogMessages(m_log.Path()));
  EXPECT_EQ("<none>", CallsOf("mfc80"));
  EXPECT_EQ("<none>", CallsOf("Gantry"));
  EXPECT_EQ("<none>", CallsOf("Unlisted"));
}

TEST_F(Unregister, WithLoggingOffTheServersAreStillCalled) {
  m_logMode.Remove();
  const std::string ok = Install("ComServerOk.dll");
  Install("ComServerDep.dll");
  EXPECT_TRUE(UnregisterComServer(CJudgedFile::Open(WideFromAnsi(ok))));
  EXPECT_FALSE(test::FileExists(m_log.Path()));
  EXPECT_EQ("attach\r\nDllUnregisterServer\r\ndetach\r\n", CallsOf("ComServerOk"));
}

}  // namespace
