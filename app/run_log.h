// The plain-text log of one run, written when the program was given /LOG=path: when it started,
// its version, the options, the system and the procedure, each step and removal with its result,
// the companion programs it started, and the exit code. Text in the system code page; appended to
// an existing file, one time-stamped line each, from any thread. The elevated program never writes
// through a link: what it appends to is the named file itself with no other name, or a file it
// made there.
#pragma once
#include <string>

#include "cleanup/report/run_report.h"
#include "framework/handles.h"
#include "framework/sync.h"

class CRunLog : public IRunReport {
public:
  CRunLog() = default;
  ~CRunLog() override { Close(); }
  CRunLog(const CRunLog&) = delete;
  CRunLog& operator=(const CRunLog&) = delete;

  // How opening the log ended.
  enum class Opening {
    Opened,
    NotItself,    // the name leads elsewhere (a link on the way or at the name), or the file has another name
    NotWritable,  // no such folder, or no right to write there
  };
  // Opens the log at path (full, exact) to append to it, made when it is not there.
  Opening Open(const std::wstring& path);
  void Close();
  bool IsOpen() const { return m_file.IsValid(); }

  void Line(const std::string& text);
  void Step(const std::string& text) override { Line("step: " + text); }
  void Removal(const std::string& what, RemovalResult result) override;
  void Program(const std::string& commandLine, bool started) override;

private:
  CCriticalSection m_lock;
  ScopedHandle m_file;
};
