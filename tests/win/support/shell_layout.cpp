#include "support/shell_layout.h"

#include <cstdlib>

#include "support/test_support.h"

namespace test {

namespace {

const char kUserFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kUserFoldersNow[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

struct Folder {
  bool common;       // below HKLM (all users) rather than HKCU
  const char* name;  // the value's name
  const char* below;  // below the user's (or all users') folder
};

// The folders a user's and all users' shell keep; the value names are the registry's own.
const Folder kFolders[] = {
    {false, "Desktop", "Desktop"},
    {false, "Start Menu", "Start Menu"},
    {false, "Programs", "Start Menu\\Programs"},
    {false, "Startup", "Start Menu\\Programs\\StartUp"},
    {false, "AppData", "Application Data"},
    {false, "Favorites", "Favorites"},
    {false, "Recent", "Recent"},
    {false, "SendTo", "SendTo"},
    {false, "NetHood", "NetHood"},
    {false, "PrintHood", "PrintHood"},
    {false, "Templates", "ShellNew"},
    {false, "Local AppData", "Local Settings\\Application Data"},
    {false, "Cache", "Temporary Internet Files"},
    {false, "Cookies", "Cookies"},
    {false, "History", "History"},
    {true, "Common Desktop", "Desktop"},
    {true, "Common Start Menu", "Start Menu"},
    {true, "Common Programs", "Start Menu\\Programs"},
    {true, "Common Startup", "Start Menu\\Programs\\StartUp"},
    {true, "Common AppData", "Application Data"},
};

// Makes every missing folder on the way to path; the first one made is recorded.
void MakeFolders(const std::string& path, std::vector<std::string>& made) {
  bool first = true;
  for (size_t slash = path.find('\\', 3);; slash = path.find('\\', slash + 1)) {
    const std::string step = slash == std::string::npos ? path : path.substr(0, slash);
    if (::CreateDirectoryA(step.c_str(), nullptr) && first) {
      made.push_back(step);
      first = false;
    }
    if (slash == std::string::npos) break;
  }
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

void COlderShellLayout::Set(HKEY root, const std::string& key, const std::string& name, const std::string& value) {
  SavedValue saved;
  saved.root = root;
  saved.key = key;
  saved.name = name;
  HKEY opened = nullptr;
  if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr) != ERROR_SUCCESS)
    return;
  DWORD size = 0;
  saved.existed = ::RegQueryValueExA(opened, name.c_str(), nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS;
  if (saved.existed) {
    saved.data.resize(size);
    ::RegQueryValueExA(opened, name.c_str(), nullptr, &saved.type, saved.data.data(), &size);
  }
  ::RegSetValueExA(opened, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  ::RegCloseKey(opened);
  m_saved.push_back(std::move(saved));
}

COlderShellLayout::COlderShellLayout(const std::string& layout) {
  char windows[MAX_PATH] = {}, user[256] = {};
  DWORD userSize = sizeof(user);
  if (!::GetWindowsDirectoryA(windows, MAX_PATH) || !::GetUserNameA(user, &userSize)) return;
  const std::string w = windows;
  std::string own, common;
  if (layout == "win9x") {
    own = w;
    common = w + "\\All Users";
  } else if (layout == "nt40") {
    own = w + "\\Profiles\\" + user;
    common = w + "\\Profiles\\All Users";
  } else {
    return;
  }
  for (const Folder& folder : kFolders) {
    const std::string path = (folder.common ? common : own) + "\\" + folder.below;
    const HKEY root = folder.common ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    Set(root, kUserFolders, folder.name, path);
    Set(root, kUserFoldersNow, folder.name, path);
    MakeFolders(path, m_madeFolders);
  }
  Set(HKEY_CURRENT_USER, kUserFolders, "Personal", layout == "win9x" ? "C:\\My Documents" : own + "\\Personal");
  MakeFolders(layout == "win9x" ? "C:\\My Documents" : own + "\\Personal", m_madeFolders);
  if (layout == "nt40") {
    // The profiles where NT 4.0 keeps them: the list of profiles, and the environment the
    // uninstaller inherits.
    Set(HKEY_LOCAL_MACHINE, kProfileList, "ProfilesDirectory", w + "\\Profiles");
    m_savedProfile = Environment("USERPROFILE");
    ::SetEnvironmentVariableA("USERPROFILE", own.c_str());
    m_othersFiles.push_back(own + "\\NTUSER.DAT");
  }
  // Another program's shortcuts beside the client's, and the system's own files there.
  for (const std::string& file :
       {own + "\\Start Menu\\Programs\\Other Program\\Other.lnk", own + "\\Desktop\\Other.lnk",
        own + "\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch\\Other.lnk",
        common + "\\Start Menu\\Programs\\Accessories\\Notepad.lnk", own + "\\Start Menu\\Programs\\desktop.ini"})
    m_othersFiles.push_back(file);
  for (const std::string& file : m_othersFiles) {
    MakeFolders(file.substr(0, file.rfind('\\')), m_madeFolders);
    if (!WriteFileBytes(file, "not the client's: " + file)) return;
  }
  m_ready = true;
}

COlderShellLayout::~COlderShellLayout() {
  for (auto saved = m_saved.rbegin(); saved != m_saved.rend(); ++saved) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(saved->root, saved->key.c_str(), 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) continue;
    if (saved->existed)
      ::RegSetValueExA(opened, saved->name.c_str(), 0, saved->type, saved->data.data(),
                       static_cast<DWORD>(saved->data.size()));
    else
      ::RegDeleteValueA(opened, saved->name.c_str());
    ::RegCloseKey(opened);
  }
  if (!m_savedProfile.empty()) ::SetEnvironmentVariableA("USERPROFILE", m_savedProfile.c_str());
  for (const std::string& folder : m_madeFolders) RemoveTree(folder);
}

}  // namespace test
