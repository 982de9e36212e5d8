#include "app/startup.h"

#include <windows.h>

#include "cleanup/files/file_copy.h"
#include "cleanup/trust/judged_file.h"
#include "cleanup/report/run_report.h"
#include "cleanup/steps/setup_type.h"
#include "framework/system_folder.h"
#include "framework/wide_text.h"
#include "procedures/os_class.h"

namespace {

// "提示" and "加载语言包失败，安装退出" in GBK.
constexpr char kChineseCaption[] = "\xcc\xe1\xca\xbe";
constexpr char kChineseText[] =
    "\xbc\xd3\xd4\xd8\xd3\xef\xd1\xd4\xb0\xfc\xca\xa7\xb0\xdc\xa3\xac\xb0\xb2\xd7\xb0\xcd\xcb\xb3\xf6";

// "卸载未能完成，客户端仍在此电脑上。请重新运行卸载程序。" in GBK.
constexpr char kChineseIncompleteText[] =
    "\xd0\xb6\xd4\xd8\xce\xb4\xc4\xdc\xcd\xea\xb3\xc9\xa3\xac\xbf\xcd\xbb\xa7\xb6\xcb\xc8\xd4\xd4\xda\xb4\xcb\xb5\xe7\xc4\xd4\xc9\xcf\xa1\xa3\xc7\xeb\xd6\xd8\xd0\xc2\xd4\xcb\xd0\xd0\xd0\xb6\xd4\xd8\xb3\xcc\xd0\xf2\xa1\xa3";

// "卸载程序已在运行，请等待它结束后再试。" in GBK.
constexpr char kChineseAlreadyRunningText[] =
    "\xd0\xb6\xd4\xd8\xb3\xcc\xd0\xf2\xd2\xd1\xd4\xda\xd4\xcb\xd0\xd0\xa3\xac\xc7\xeb\xb5\xc8\xb4\xfd\xcb\xfc\xbd\xe1"
    "\xca\xf8\xba\xf3\xd4\xd9\xca\xd4\xa1\xa3";

bool IsFile(const char* path) {
  const DWORD attributes = ::GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Copies the companion called name from beside the program to target, unless others could have
// changed it: what is copied is started with administrator rights later. The copy is made from the
// file as it was judged and held. False when it was refused for that.
bool CopyCompanion(const wchar_t* name, FixedFile target) {
  const CJudgedFile companion = CJudgedFile::ForUse(CompanionPath(name));
  if (!companion.Exists()) return true;  // nothing to copy, as before
  if (!companion.Usable()) return false;
  CopyJudgedFile(companion, ApprovedPath::Of(target));
  return true;
}

}  // namespace

PackFailureMessage PackFailureMessageFor(int languageCode) {
  if (languageCode == 0) return {kChineseCaption, kChineseText};
  return {"Tip", "Load language pack failure"};
}

PackFailureMessage IncompleteUninstallMessageFor(int languageCode) {
  if (languageCode == 0) return {kChineseCaption, kChineseIncompleteText};
  return {"Tip", "The uninstall could not be completed: the client is still on this computer. Please run the "
                 "uninstaller again."};
}

PackFailureMessage AlreadyRunningMessageFor(int languageCode) {
  if (languageCode == 0) return {kChineseCaption, kChineseAlreadyRunningText};
  return {"Tip", "An uninstall is already running. Please wait until it has finished, then try again."};
}

UninstallProcedure ChooseUninstallProcedure() {
  if (IsSetupTypeGroup3()) return UninstallProcedure::SetupType;

  // "Unl.exe" into the system directory, where the launchers start it at the end.
  CopyCompanion(L"Unl.exe", FixedFile::FinishingProgramCopy);
  switch (GetOsClass()) {
    case OsClass::Win2000:
    case OsClass::XpOrLater:
      return UninstallProcedure::Full;
    case OsClass::Win95Nt4Or98:
    case OsClass::WinMe:
      // A detector that was refused leaves its steps undone, and the rest of the procedure runs.
      if (!CopyCompanion(L"Ipdetect.exe", FixedFile::DetectorCopy)) return UninstallProcedure::Legacy;
      return IsFile(kDetectorCopyPath) ? UninstallProcedure::Legacy
                                       : UninstallProcedure::DetectorMissing;
    case OsClass::Unknown:
      break;
  }
  return UninstallProcedure::None;
}
