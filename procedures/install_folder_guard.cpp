#include "procedures/install_folder_guard.h"

#include <windows.h>
#include <shlobj.h>

bool IsRemovableInstallFolder(const std::string& folder) {
  static const int kShellFolders[] = {
      CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROFILE,
      CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS,
      CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS,
      CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_STARTUP, CSIDL_COMMON_STARTUP, CSIDL_FONTS,
      CSIDL_TEMPLATES, CSIDL_FAVORITES, CSIDL_SENDTO, CSIDL_RECENT, CSIDL_MYMUSIC, CSIDL_MYPICTURES,
      CSIDL_MYVIDEO, CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY};
  std::vector<std::string> protectedFolders;
  char path[MAX_PATH];
  for (int id : kShellFolders) {
    path[0] = '\0';
    if (SUCCEEDED(::SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path)))
      protectedFolders.emplace_back(path);
  }
  if (::GetWindowsDirectoryA(path, MAX_PATH)) protectedFolders.emplace_back(path);
  if (::GetSystemDirectoryA(path, MAX_PATH)) protectedFolders.emplace_back(path);
  // The folder that holds every user's profile.
  std::string profile;
  if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path))) {
    profile = path;
    const size_t slash = profile.find_last_of("\\/");
    if (slash != std::string::npos) protectedFolders.push_back(profile.substr(0, slash));
  }
  return IsRemovableFolder(folder, protectedFolders);
}
