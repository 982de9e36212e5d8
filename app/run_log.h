// The plain-text log of one run, written when the program was given /LOG=path: when it started,
// its version, the options, the system and the procedure, each step and removal with its result,
// the companion programs it started, and the exit code. Text in the system code page; appended to
// an existing file, one time-stamped line each, from any thread.
#pragma once
#include <cstdio>
#include <string>

#include "cleanup/report/run_report.h"
#include "framework/sync.h"

class CRunLog : public IRunReport {
public:
  CRunLog() = default;
  ~CRunLog() override { Close(); }
  CRunLog(const CRunLog&) = delete;
  CRunLog& operator=(const CRunLog&) = delete;

  // False when the file cannot be opened; the run goes on without a log.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return m_file != nullptr; }

  void Line(const std::string& text);
  void Step(const std::string& text) override { Line("step: " + text); }
  void Removal(const std::string& what, RemovalResult result) override;
  void Program(const std::string& commandLine, bool started) override;

private:
  CCriticalSection m_lock;
  FILE* m_file = nullptr;
};
