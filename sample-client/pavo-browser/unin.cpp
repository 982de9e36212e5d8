// Stand-in for the portal browser's own uninstaller "PavoBrowser\Unin.exe": it records the
// arguments it was started with. When the stand-ins log outside the installation (the log
// folder %SAMPLE_CLIENT_LOG_DIR% is set, as in the end-to-end runs and the demo), it also
// removes the browser's files as the real one does: everything in its folder, then itself and
// the folder through a copy of itself in the temporary folder, once it has ended.
// Log lines (see ../README.md): "<pid> args <arguments>", "<pid> folder <the folder it started in>".
#include <windows.h>

#include <cstdlib>
#include <string>

#include "client-main/stand_in_window.h"

namespace {

std::string OwnPath() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// Deletes every file below folder except keep, and every emptied sub-folder.
void EmptyFolder(const std::string& folder, const std::string& keep) {
  WIN32_FIND_DATAA fd;
  HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    const std::string full = folder + "\\" + name;
    ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      EmptyFolder(full, keep);
      ::RemoveDirectoryA(full.c_str());
    } else if (::lstrcmpiA(full.c_str(), keep.c_str()) != 0) {
      ::DeleteFileA(full.c_str());
    }
  } while (::FindNextFileA(h, &fd));
  ::FindClose(h);
}

// The copy's part: wait for the original to end, then delete it and its folder.
int Finish(DWORD originalPid, const std::string& original) {
  if (HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, originalPid)) {
    ::WaitForSingleObject(process, 60000);
    ::CloseHandle(process);
  }
  for (int i = 0; i < 100 && !::DeleteFileA(original.c_str()); ++i) ::Sleep(100);
  ::RemoveDirectoryA(original.substr(0, original.rfind('\\')).c_str());
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string args = stand_in::Arguments();
  if (args.compare(0, 9, "--finish ") == 0) {
    const std::string rest = args.substr(9);
    const size_t blank = rest.find(' ');
    return Finish(static_cast<DWORD>(std::strtoul(rest.c_str(), nullptr, 10)), rest.substr(blank + 1));
  }
  stand_in::LogEvent("args " + args);
  char startFolder[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, startFolder);
  stand_in::LogEvent(std::string("folder ") + startFolder);
  char logDir[MAX_PATH] = {};
  if (::GetEnvironmentVariableA("SAMPLE_CLIENT_LOG_DIR", logDir, MAX_PATH) == 0) return 0;

  const std::string self = OwnPath();
  const std::string folder = self.substr(0, self.rfind('\\'));
  EmptyFolder(folder, self);
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const std::string copyFolder = std::string(temp) + "PavoUnin" + std::to_string(::GetCurrentProcessId());
  ::CreateDirectoryA(copyFolder.c_str(), nullptr);
  const std::string copy = copyFolder + "\\Unin.exe";
  if (!::CopyFileA(self.c_str(), copy.c_str(), FALSE)) return 1;
  std::string commandLine =
      "\"" + copy + "\" --finish " + std::to_string(::GetCurrentProcessId()) + " " + self;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, temp, &si, &pi)) {
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  return 0;
}
