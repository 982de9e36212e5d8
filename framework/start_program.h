// The one way the program starts another program, without waiting.
#pragma once
#include <windows.h>

#include <string>

#include "framework/handles.h"

// How a program is started: the exact file it is (empty: the command line's first word, as for a
// batch file, which the system runs through its command interpreter), its command line, the folder
// it starts in (empty: this process's current folder, the system folder) and the creation flags.
// UTF-16 on Windows NT; on Windows 95, 98 and Me each text must have an exact form in the code page.
struct ProgramLaunch {
  std::wstring application;
  std::wstring commandLine;
  std::wstring folder;
  DWORD flags = NORMAL_PRIORITY_CLASS;
};

// Starts the program. Returns the owned process handle, invalid when it could not be started; the
// thread handle is closed at once.
ScopedHandle StartProgram(const ProgramLaunch& launch);

// A program started so that, until Release, it ends when this process ends: it runs in a job
// object that ends its processes once the job's last handle (this process's) is closed. So when
// this process is stopped before it has done what must come first, the program does nothing
// either. Windows before 2000 have no jobs, and a process that is itself in a job may not be put in
// another before Windows 8: there the program is started plainly.
class CTiedProgram {
public:
  CTiedProgram() = default;
  ~CTiedProgram() = default;  // without Release, the job's last handle goes and ends the program
  CTiedProgram(const CTiedProgram&) = delete;
  CTiedProgram& operator=(const CTiedProgram&) = delete;

  // As StartProgram; false when the program could not be started.
  bool Start(const ProgramLaunch& launch);
  // From now on the program runs on its own, whatever becomes of this process.
  void Release();
  // Whether programs can be tied to this process: the system has job objects (Windows 2000 on).
  static bool CanTie();
  // Ends the tied program now (an untied one runs on).
  void End() { m_job.Close(); }

private:
  ScopedHandle m_job;
};
