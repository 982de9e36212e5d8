#include "app/startup.h"

#include <windows.h>

#include "app/shared_helpers.h"
#include "cleanup/file_ops.h"

namespace {

// "提示" and "加载语言包失败，安装退出" in GBK.
constexpr char kChineseCaption[] = "\xcc\xe1\xca\xbe";
constexpr char kChineseText[] =
    "\xbc\xd3\xd4\xd8\xd3\xef\xd1\xd4\xb0\xfc\xca\xa7\xb0\xdc\xa3\xac\xb0\xb2\xd7\xb0\xcd\xcb\xb3\xf6";

bool IsFile(const char* path) {
  const DWORD attributes = ::GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Copies "Unl.exe" into the system directory, where the launchers start it at the end.
void CopyFinishingProgram(const std::string& moduleDir) {
  char systemDir[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(systemDir, MAX_PATH);
  // Without the system directory the target would be the root of the current drive.
  if (length == 0 || length >= MAX_PATH) return;
  const std::string target = std::string(systemDir) + "\\Unl.exe";
  ForceCopyFile((moduleDir + "\\Unl.exe").c_str(), target.c_str());
}

}  // namespace

PackFailureMessage PackFailureMessageFor(int languageCode) {
  if (languageCode == 0) return {kChineseCaption, kChineseText};
  return {"Tip", "Load language pack failure"};
}

UninstallProcedure ChooseUninstallProcedure(const std::string& moduleDir) {
  if (IsSetupTypeGroup3()) return UninstallProcedure::SetupType;

  CopyFinishingProgram(moduleDir);
  switch (GetOsClass()) {
    case 2:
    case 4:
      return UninstallProcedure::Full;
    case 1:
    case 3:
      ForceCopyFile((moduleDir + "\\Ipdetect.exe").c_str(), kDetectorCopyPath);
      return IsFile(kDetectorCopyPath) ? UninstallProcedure::Legacy
                                       : UninstallProcedure::DetectorMissing;
    default:
      return UninstallProcedure::None;
  }
}
