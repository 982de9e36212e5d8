// For tests: runs FileLocker.exe on a file for the lifetime of the object, in one of its modes
// ("hold", "share-delete", "load"). Locked() is true once the locker holds the file; Release and
// the destructor let the file go and wait for the locker to end (killing it if it does not end
// within a minute).
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

class FileLockerProcess {
public:
  FileLockerProcess(const std::string& lockerExe, const std::string& path, const char* mode = "hold") {
    static LONG counter = 0;
    char base[64];
    std::snprintf(base, sizeof(base), "FileLocker.%lu.%ld", ::GetCurrentProcessId(),
                  ::InterlockedIncrement(&counter));
    const std::string readyName = std::string(base) + ".ready";
    const std::string stopName = std::string(base) + ".stop";
    m_ready = ::CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    m_stop = ::CreateEventA(nullptr, TRUE, FALSE, stopName.c_str());
    if (!m_ready || !m_stop) return;

    std::string commandLine =
        "\"" + lockerExe + "\" \"" + path + "\" " + readyName + " " + stopName + " " + mode;
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi))
      return;
    ::CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    // Ready, or ended without taking the file; bounded in case Wine stalls.
    HANDLE either[] = {m_ready, m_process};
    m_locked = ::WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0;
  }

  ~FileLockerProcess() {
    Release();
    if (m_stop) ::CloseHandle(m_stop);
    if (m_ready) ::CloseHandle(m_ready);
  }

  void Release() {
    if (m_stop) ::SetEvent(m_stop);
    if (m_process) {
      if (::WaitForSingleObject(m_process, 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(m_process, 1);
        ::WaitForSingleObject(m_process, 10000);
      }
      ::CloseHandle(m_process);
      m_process = nullptr;
    }
  }

  FileLockerProcess(const FileLockerProcess&) = delete;
  FileLockerProcess& operator=(const FileLockerProcess&) = delete;

  bool Locked() const { return m_locked; }

private:
  HANDLE m_ready = nullptr;
  HANDLE m_stop = nullptr;
  HANDLE m_process = nullptr;
  bool m_locked = false;
};
