#include "framework/start_program.h"

#include <vector>

#include "framework/system_library.h"

namespace {
// CreateProcessA with its own copy of the command line (it may write into it).
bool Create(const std::string& commandLine, const char* folder, DWORD creationFlags, PROCESS_INFORMATION& process) {
  std::vector<char> writable(commandLine.begin(), commandLine.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  return ::CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, folder, &startup,
                          &process) != FALSE;
}

ScopedHandle StartProgramSuspended(const std::string& commandLine, const char* folder, ScopedHandle& thread) {
  PROCESS_INFORMATION process = {};
  if (!Create(commandLine, folder, NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED, process)) return ScopedHandle();
  thread.Reset(process.hThread);
  return ScopedHandle(process.hProcess);
}
}  // namespace

ScopedHandle StartProgram(const std::string& commandLine, const char* folder, DWORD creationFlags) {
  PROCESS_INFORMATION process = {};
  if (!Create(commandLine, folder, creationFlags, process)) return ScopedHandle();
  ::CloseHandle(process.hThread);
  return ScopedHandle(process.hProcess);
}

namespace {
using CreateJobFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCSTR);
using AssignFn = BOOL(WINAPI*)(HANDLE, HANDLE);
using SetJobInformationFn = BOOL(WINAPI*)(HANDLE, JOBOBJECTINFOCLASS, LPVOID, DWORD);

struct JobCalls {
  CreateJobFn create = SystemFunctionAs<CreateJobFn>("kernel32.dll", "CreateJobObjectA");
  AssignFn assign = SystemFunctionAs<AssignFn>("kernel32.dll", "AssignProcessToJobObject");
  SetJobInformationFn setInformation = SystemFunctionAs<SetJobInformationFn>("kernel32.dll", "SetInformationJobObject");
  bool Available() const { return create && assign && setInformation; }
};

const JobCalls& Jobs() {
  static const JobCalls calls;
  return calls;
}

// Sets or clears the job's ending of its processes when its last handle closes.
bool KillOnClose(HANDLE job, bool kill) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = kill ? JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE : 0;
  return Jobs().setInformation(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits)) != FALSE;
}
}  // namespace

bool CTiedProgram::Start(const std::string& commandLine, const char* folder) {
  if (Jobs().Available()) {
    m_job.Reset(Jobs().create(nullptr, nullptr));
    if (m_job.IsValid() && !KillOnClose(m_job.Get(), true)) m_job.Close();
  }
  // Held before it runs, so it cannot start anything outside the job first.
  ScopedHandle thread;
  const ScopedHandle process = StartProgramSuspended(commandLine, folder, thread);
  if (!process.IsValid()) {
    m_job.Close();
    return false;
  }
  if (m_job.IsValid() && !Jobs().assign(m_job.Get(), process.Get())) m_job.Close();
  ::ResumeThread(thread.Get());
  return true;
}

void CTiedProgram::Release() {
  if (m_job.IsValid()) KillOnClose(m_job.Get(), false);
  m_job.Close();
}
