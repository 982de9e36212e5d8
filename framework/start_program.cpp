#include "framework/start_program.h"

#include "framework/file_names.h"
#include "framework/system_library.h"

namespace {
bool Create(const ProgramLaunch& launch, DWORD flags, PROCESS_INFORMATION& process) {
  return CreateProcessNamed(launch.application, launch.commandLine, launch.folder, flags, process);
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

bool CTiedProgram::CanTie() { return Jobs().Available(); }

void CTiedProgram::Release() {
  if (m_job.IsValid()) KillOnClose(m_job.Get(), false);
  m_job.Close();
}
