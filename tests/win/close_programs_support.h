// Helpers of the tests that close the running client: the stand-in programs copied into a
// temporary folder under the names a test needs and started for real, their logs, a
// language pack of the test's own, and a second thread that answers the question box.
#pragma once
#include <windows.h>

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleanup/processes/close_programs.h"
#include "cleanup/steps/setup_values.h"
#include "framework/sync.h"
#include "language/language_pack.h"
#include "procedures/worker_steps.h"
#include "support/test_support.h"
#include "support/test_thread.h"
#include "support/watchdog.h"

namespace close_test {

// UTF-8 to the GBK bytes the client's ANSI texts carry.
inline std::string Gbk(const char* utf8) {
  wchar_t wide[512] = {};
  ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 512);
  char gbk[1024] = {};
  ::WideCharToMultiByte(936, 0, wide, -1, gbk, sizeof(gbk), nullptr, nullptr);
  return gbk;
}

// The test program's language pack, loaded once by LoadPack.
inline CLanguagePack& TestPack() {
  static CLanguagePack pack;
  return pack;
}

// The client's names as the loaded pack gives them.
inline ClientNames PackNames() { return ClientNamesFromPack(TestPack()); }

// Language.xml text with the given define elements ("<NAME>value</NAME>...").

inline std::string PackWithDefines(const std::string& defineElements) {
  return "<language id=\"0\">\r\n <module name=\"define\"><value>\r\n" + defineElements +
         "\r\n </value></module>\r\n</language>\r\n";
}

// Loads the pack into the test program's language pack (once per process). Also keeps the
// stand-ins' logs beside them: the log-folder variable is not passed on to the children.
inline void LoadPack(const std::string& xml) {
  ::SetEnvironmentVariableA("SAMPLE_CLIENT_LOG_DIR", nullptr);
  test::TempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir / "Language.xml", xml));
  ASSERT_TRUE(TestPack().Load(dir.Path().c_str(), "Language.xml"));
}

// The window's text as the system keeps it, in the system code page: read without a message,
// so the answering thread never waits on the box's thread.
inline std::string WindowText(HWND window) {
  wchar_t wide[1024] = {};
  const int length = ::InternalGetWindowText(window, wide, 1024);
  char text[2048] = {};
  if (length > 0) ::WideCharToMultiByte(CP_ACP, 0, wide, length, text, sizeof(text) - 1, nullptr, nullptr);
  return text;
}

inline std::string ClassOf(HWND window) {
  char name[256] = {};
  ::GetClassNameA(window, name, sizeof(name));
  return name;
}

struct WindowSearch {
  DWORD pid;
  const char* windowClass;
  HWND found;
};

inline BOOL CALLBACK MatchWindowOf(HWND window, LPARAM param) {
  WindowSearch& search = *reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search.pid || ClassOf(window) != search.windowClass) return TRUE;
  search.found = window;
  return FALSE;
}

// A top-level window of process pid with the given class, or null.
inline HWND FindWindowOf(DWORD pid, const char* windowClass) {
  WindowSearch search = {pid, windowClass, nullptr};
  ::EnumWindows(&MatchWindowOf, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The question box's caption and text, written to the setup values for the test's lifetime.
class QuestionTexts {
public:
  QuestionTexts() {
    m_hadCaption = test::ReadRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "zString2", m_caption);
    m_hadText = test::ReadRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "zString3", m_text);
    test::WriteRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "zString2", Caption());
    test::WriteRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "zString3", Text());
  }
  ~QuestionTexts() {
    Restore("zString2", m_hadCaption, m_caption);
    Restore("zString3", m_hadText, m_text);
  }
  QuestionTexts(const QuestionTexts&) = delete;
  QuestionTexts& operator=(const QuestionTexts&) = delete;
  static const char* Caption() { return "Close the client?"; }
  static const char* Text() { return "The client is running. Close it now?"; }

private:
  static void Restore(const char* name, bool had, const std::string& value) {
    if (had) {
      test::WriteRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, name, value);
      return;
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDefaultSetupKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      ::RegDeleteValueA(key, name);
      ::RegCloseKey(key);
    }
  }
  bool m_hadCaption = false, m_hadText = false;
  std::string m_caption, m_text;
};

// A stand-in program from the sample client, copied into a folder under a name of the test's
// choice and started with arguments. Killed at the end if it still runs. Its log is
// <folder>\<name without extension>.log, one "<pid> <event>" line per event.
class StandIn {
public:
  StandIn(const std::string& folder, const std::string& sourceName, const std::string& runAs,
          const std::string& arguments)
      : m_path(folder + "\\" + runAs) {
    Register(this, true);
    const size_t dot = m_path.rfind('.');
    m_logPath = m_path.substr(0, dot) + ".log";
    ::CopyFileA((test::SampleClientDir() + "\\" + sourceName).c_str(), m_path.c_str(), FALSE);
    m_commandLine = "\"" + m_path + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> writable(m_commandLine.begin(), m_commandLine.end());
    writable.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    if (!::CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &m_process))
      m_process = PROCESS_INFORMATION{};
  }
  ~StandIn() {
    Register(this, false);
    if (!m_process.hProcess) return;
    if (IsRunning()) {
      ::TerminateProcess(m_process.hProcess, 1);
      ::WaitForSingleObject(m_process.hProcess, 10000);
    }
    ::CloseHandle(m_process.hThread);
    ::CloseHandle(m_process.hProcess);
  }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  bool Started() const { return m_process.hProcess != nullptr; }
  DWORD Pid() const { return m_process.dwProcessId; }
  HANDLE Handle() const { return m_process.hProcess; }
  const std::string& Path() const { return m_path; }
  const std::string& CommandLine() const { return m_commandLine; }

  bool IsRunning() const {
    return m_process.hProcess && ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
  }
  bool WaitForExit(DWORD timeoutMs = 30000) const {
    return test::WaitUntil([&] { return !IsRunning(); }, timeoutMs);
  }
  // This process's lines of the log, without the process id.
  std::vector<std::string> LogLines() const {
    std::string bytes;
    std::vector<std::string> lines;
    if (!test::ReadFileBytes(m_logPath, bytes)) return lines;
    const std::string prefix = std::to_string(Pid()) + " ";
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line.substr(prefix.size()));
    }
    return lines;
  }
  bool Logged(const std::string& line) const {
    for (const std::string& l : LogLines())
      if (l == line) return true;
    return false;
  }
  // Polls until the log has a line that begins with prefix.
  bool WaitForLogPrefix(const std::string& prefix, DWORD timeoutMs = 20000) const {
    return test::WaitUntil([&] {
      for (const std::string& l : LogLines())
        if (l.compare(0, prefix.size(), prefix) == 0) return true;
      return false;
    }, timeoutMs);
  }
  // Every stand-in logs "start ..." first.
  bool WaitForLogStart(DWORD timeoutMs = 20000) const { return WaitForLogPrefix("start", timeoutMs); }
  bool WaitForLog(const std::string& line, DWORD timeoutMs = 20000) const {
    return test::WaitUntil([&] { return Logged(line); }, timeoutMs);
  }
  HWND WaitForWindow(const char* windowClass, DWORD timeoutMs = 20000) const {
    HWND found = nullptr;
    test::WaitUntil([&] { return (found = FindWindowOf(Pid(), windowClass)) != nullptr; }, timeoutMs);
    return found;
  }

  // The processes of every stand-in that exists now.
  static std::vector<HANDLE> AllHandles() {
    CCriticalSectionLock lock(Registry().lock);
    std::vector<HANDLE> handles;
    for (const StandIn* standIn : Registry().standIns)
      if (standIn->m_process.hProcess) handles.push_back(standIn->m_process.hProcess);
    return handles;
  }

private:
  struct StandInRegistry {
    CCriticalSection lock;
    std::vector<const StandIn*> standIns;
  };
  static StandInRegistry& Registry() {
    static StandInRegistry registry;
    return registry;
  }
  static void Register(const StandIn* standIn, bool add) {
    StandInRegistry& registry = Registry();
    CCriticalSectionLock lock(registry.lock);
    if (add) {
      registry.standIns.push_back(standIn);
      return;
    }
    for (auto it = registry.standIns.begin(); it != registry.standIns.end(); ++it)
      if (*it == standIn) {
        registry.standIns.erase(it);
        return;
      }
  }

  std::string m_path, m_logPath, m_commandLine;
  PROCESS_INFORMATION m_process = {};
};

// CloseClientPrograms, which sends the client's window its messages and waits for the answers:
// bounded by a watchdog that ends every stand-in (releasing that wait) and fails the test when
// the call has not returned within boundMs. The program's own limits (two 10 s waits on a
// client that does not answer) lie well inside it.
inline BOOL CloseClientWithin(BOOL ask, DWORD boundMs = 60000) {
  test::Watchdog watchdog(boundMs, StandIn::AllHandles());
  const BOOL result =
      CloseClientPrograms(ask, PackNames(), ClosingQuestion{ReadSetupValue("zString3"), ReadSetupValue("zString2")});
  EXPECT_FALSE(watchdog.Fired()) << "closing the client did not end within " << boundMs << " ms";
  return result;
}

// Watches this process for the question box (a "#32770" window titled with the question's
// caption) on a second thread, records what it asked and presses the given button.
class QuestionAnswerer {
public:
  explicit QuestionAnswerer(int answer) : m_answer(answer), m_thread([this] { Watch(); }) {}
  ~QuestionAnswerer() {
    m_stop = true;
    m_thread.Join();
  }
  QuestionAnswerer(const QuestionAnswerer&) = delete;
  QuestionAnswerer& operator=(const QuestionAnswerer&) = delete;

  int Asked() const { return m_asked.load(); }
  // The text of the last box and whether it offered exactly Yes and No.
  std::string LastText() const {
    CCriticalSectionLock lock(m_lock);
    return m_lastText;
  }
  bool LastWasYesNo() const { return m_lastYesNo.load(); }

private:
  void Watch() {
    while (!m_stop) {
      const HWND box = FindWindowOf(::GetCurrentProcessId(), "#32770");
      const HWND button = box ? ::GetDlgItem(box, m_answer) : nullptr;
      if (box && button && ::IsWindowVisible(box) && WindowText(box) == QuestionTexts::Caption()) {
        {
          CCriticalSectionLock lock(m_lock);
          m_lastText = WindowText(::GetDlgItem(box, 0xFFFF));
        }
        m_lastYesNo = ::GetDlgItem(box, IDYES) && ::GetDlgItem(box, IDNO) && !::GetDlgItem(box, IDOK) &&
                      !::GetDlgItem(box, IDCANCEL);
        ++m_asked;
        ::PostMessageA(button, BM_CLICK, 0, 0);
        test::WaitUntil([&] { return !::IsWindow(box); }, 20000);
      }
      ::Sleep(20);
    }
  }

  int m_answer;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_asked{0};
  std::atomic<bool> m_lastYesNo{false};
  mutable CCriticalSection m_lock;
  std::string m_lastText;
  test::Thread m_thread;
};

}  // namespace close_test
