#include "cleanup/protocol_removal.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "cleanup/detector_report.h"
#include "cleanup/file_ops.h"
#include "cleanup/file_security.h"
#include "cleanup/run_report.h"
#include "framework/handles.h"
#include "framework/start_program.h"

namespace {

constexpr const char kDetectorReport[] = "c:\\Dpppoe.txt";

// The chosen removal command is run this many times in a row, nothing tested between runs.
constexpr int kRemovalRuns = 7;

// The command lines are built in buffers of these sizes.
constexpr size_t kCheckCommandSize = 512;
constexpr size_t kRemovalCommandSize = 256;

// The components asked about, in this order; the first one reported installed is removed.
constexpr const char* kCandidateComponents[] = {"Dorn_PPPoE", "PAVOPROTOCOL", "NETPROTOCOL"};
// Removed when none of the candidates is reported; never asked about.
constexpr const char kFallbackComponent[] = "ZR_PROTOCOL";

// Starts the command line (the path in it, no application name), inheriting directory and
// environment, and waits until the process ends, however long that takes. A command that
// cannot be started returns at once.
void RunAndWaitForTool(const std::string& commandLine) {
  // A tool that others could have changed is not run with these rights: every check then gives 0.
  const TrustVerdict verdict = JudgeWhoCanChange(kDetectorCopyPath);
  if (!verdict.trusted) {
    ReportLeftForSafety(kDetectorCopyPath, verdict.reason);
    return;
  }
  const ScopedHandle tool = StartProgram(commandLine);
  ReportProgram(commandLine, tool.IsValid());
  if (tool.IsValid()) ::WaitForSingleObject(tool.Get(), INFINITE);
}

// Reads the first bytes of the report (at most the window the reader looks at) into bytes.
// False when the report cannot be opened; bytes then stays empty.
bool ReadReportHead(std::string& bytes) {
  bytes.clear();
  ScopedHandle file(::CreateFileA(kDetectorReport, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  char buffer[kDetectorReportWindow] = {};
  DWORD read = 0;
  if (!::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr)) read = 0;
  bytes.assign(buffer, read);
  return true;
}

}  // namespace

int CheckProtocolInstalled(const char* componentName, const std::string& programDir) {
  ::SetCurrentDirectoryA(programDir.c_str());

  if (!componentName) return 0;
  char command[kCheckCommandSize];
  const int length = std::snprintf(command, sizeof(command), "%s -c%s -f%s", kDetectorCopyPath,
                                   componentName, kDetectorReport);
  // A name that does not fit would start the tool with a cut-off command line.
  if (length < 0 || static_cast<size_t>(length) >= sizeof(command)) return 0;
  RunAndWaitForTool(command);

  std::string report;
  if (!ReadReportHead(report)) return 0;
  ForceDeleteFile(kDetectorReport);
  return DetectorReportSaysFound(report.data(), report.size()) ? 1 : 0;
}

void RemoveClientProtocol(const std::string& programDir) {
  const char* component = kFallbackComponent;
  for (const char* candidate : kCandidateComponents) {
    if (CheckProtocolInstalled(candidate, programDir)) {
      component = candidate;
      break;
    }
  }

  char command[kRemovalCommandSize];
  std::snprintf(command, sizeof(command), "%s -u%s", kDetectorCopyPath, component);
  for (int run = 0; run < kRemovalRuns; ++run) RunAndWaitForTool(command);
}
