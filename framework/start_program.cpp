#include "framework/start_program.h"

#include "framework/capabilities.h"
#include "framework/system_library.h"
#include "framework/wide_text.h"

namespace {
// CreateProcess with its own copy of the command line (it may write into it): UTF-16 on Windows NT,
// the code page's text elsewhere, where a text without an exact form starts nothing.
bool Create(const ProgramLaunch& launch, DWORD flags, PROCESS_INFORMATION& process) {
  using CreateProcessWFn = BOOL(WINAPI*)(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                                         LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);
  if (HasNtCalls()) {
    // Found at run time: Windows 95 may lack even its stub.
    static const auto createProcess = SystemFunctionAs<CreateProcessWFn>("kernel32.dll", "CreateProcessW");
    if (!createProcess) return false;
    std::wstring commandLine = launch.commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return createProcess(launch.application.empty() ? nullptr : launch.application.c_str(), &commandLine[0],
                            nullptr, nullptr, FALSE, flags, nullptr,
                            launch.folder.empty() ? nullptr : launch.folder.c_str(), &startup, &process) != FALSE;
  }
  bool exact[3] = {true, true, true};
  const std::string application = AnsiFromWide(launch.application, &exact[0]);
  std::string commandLine = AnsiFromWide(launch.commandLine, &exact[1]);
  const std::string folder = AnsiFromWide(launch.folder, &exact[2]);
  if (!exact[0] || !exact[1] || !exact[2]) return false;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  return ::CreateProcessA(application.empty() ? nullptr : application.c_str(), &commandLine[0], nullptr, nullptr,
                          FALSE, flags, nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process) != FALSE;
}
}  // namespace

ScopedHandle StartProgram(const ProgramLaunch& launch) {
  PROCESS_INFORMATION process = {};
  if (!Create(launch, launch.flags, process)) return ScopedHandle();
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

bool CTiedProgram::Start(const ProgramLaunch& launch) {
  if (Jobs().Available()) {
    m_job.Reset(Jobs().create(nullptr, nullptr));
    if (m_job.IsValid() && !KillOnClose(m_job.Get(), true)) m_job.Close();
  }
  // Held before it runs, so it cannot start anything outside the job first.
  PROCESS_INFORMATION started = {};
  if (!Create(launch, launch.flags | CREATE_SUSPENDED, started)) {
    m_job.Close();
    return false;
  }
  const ScopedHandle process(started.hProcess), thread(started.hThread);
  if (m_job.IsValid() && !Jobs().assign(m_job.Get(), process.Get())) m_job.Close();
  ::ResumeThread(thread.Get());
  return true;
}

void CTiedProgram::Release() {
  if (m_job.IsValid()) KillOnClose(m_job.Get(), false);
  m_job.Close();
}
