// Stand-in for the finishing program "Unl.exe". Started as "Unl.exe <code>,<uninstaller path>",
// it records its arguments, waits for the uninstaller to end, deletes it and removes its
// folder when nothing else is left there, as the client's finishing program does.
#include <windows.h>

#include <string>

#include "../common/process_list.h"
#include "../common/stand_in_log.h"

namespace {

// True while the program at path runs (judged by its file name).
bool IsRunning(const std::string& path) {
  return stand_in::IsProgramRunning(path.substr(path.rfind('\\') + 1).c_str());
}

}  // namespace

int main() {
  const std::string args = stand_in::Arguments();
  stand_in::AppendLog("Unl", args);
  // Whether the uninstaller left the detector tool's copy behind when it started us.
  if (::GetFileAttributesA("c:\\Ipdetect.exe") != INVALID_FILE_ATTRIBUTES)
    stand_in::AppendLog("Unl", "c:\\Ipdetect.exe present");
  const size_t comma = args.find(',');
  if (comma == std::string::npos) return 2;
  const std::string uninstaller = args.substr(comma + 1);

  // The uninstaller is still closing when it starts us; give it a generous two minutes.
  for (int i = 0; i < 1200 && IsRunning(uninstaller); ++i) ::Sleep(100);
  ::SetFileAttributesA(uninstaller.c_str(), FILE_ATTRIBUTE_NORMAL);
  bool deleted = false;
  for (int i = 0; i < 100 && !(deleted = ::DeleteFileA(uninstaller.c_str()) ||
                                           ::GetFileAttributesA(uninstaller.c_str()) == INVALID_FILE_ATTRIBUTES);
       ++i)
    ::Sleep(100);
  // The portal browser's uninstaller empties its own folder meanwhile; the installation folder
  // can go only after it.
  for (int i = 0; i < 600 && stand_in::IsProgramRunning("Unin.exe"); ++i) ::Sleep(100);
  const std::string folder = uninstaller.substr(0, uninstaller.rfind('\\'));
  ::RemoveDirectoryA(folder.c_str());
  stand_in::AppendLog("Unl", deleted ? "deleted " + uninstaller : "could not delete " + uninstaller);
  return deleted ? 0 : 1;
}
