#include "framework/start_program.h"

#include <vector>

ScopedHandle StartProgram(const std::string& commandLine, const char* folder, DWORD creationFlags) {
  // CreateProcessA may write into its command line, so it gets a copy of its own.
  std::vector<char> writable(commandLine.begin(), commandLine.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, folder, &startup,
                        &process))
    return ScopedHandle();
  ::CloseHandle(process.hThread);
  return ScopedHandle(process.hProcess);
}
