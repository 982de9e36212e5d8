// The one way the program starts another program: from its command line, without waiting.
#pragma once
#include <windows.h>

#include <string>

#include "framework/handles.h"

// Starts commandLine (the program's path in it, no separate application name) in folder, or in
// this process's current folder when folder is null, with the given creation flags. Returns the
// owned process handle, invalid when the program could not be started; the thread handle is
// closed at once.
ScopedHandle StartProgram(const std::string& commandLine, const char* folder = nullptr,
                          DWORD creationFlags = NORMAL_PRIORITY_CLASS);

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
  bool Start(const std::string& commandLine, const char* folder);
  // From now on the program runs on its own, whatever becomes of this process.
  void Release();

private:
  ScopedHandle m_job;
};
