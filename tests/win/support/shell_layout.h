// The shell folders as an older Windows lays them out, below the Windows folder (Wine keeps them in
// C:\users): Windows 95, 98 and Me ("win9x": <Windows>\Start Menu, <Windows>\Desktop,
// <Windows>\Application Data, the common ones in <Windows>\All Users), Windows NT 4.0 and a Windows
// 2000 upgraded from it ("nt40": <Windows>\Profiles\<user>\... and <Windows>\Profiles\All Users\...).
// Set in the prefix's registry (the shell folders and the profiles), with another program's
// shortcuts beside the client's and files of the system there that must stay; everything is put
// back as the object goes.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace test {

class COlderShellLayout {
public:
  explicit COlderShellLayout(const std::string& layout);
  ~COlderShellLayout();
  COlderShellLayout(const COlderShellLayout&) = delete;
  COlderShellLayout& operator=(const COlderShellLayout&) = delete;

  bool Ready() const { return m_ready; }
  // Files that are not the client's, made below the Windows folder for the layout.
  const std::vector<std::string>& OthersFiles() const { return m_othersFiles; }

private:
  struct SavedValue {
    HKEY root = nullptr;
    std::string key, name;
    bool existed = false;
    DWORD type = 0;
    std::vector<BYTE> data;
  };
  void Set(HKEY root, const std::string& key, const std::string& name, const std::string& value);

  std::vector<SavedValue> m_saved;
  std::vector<std::string> m_othersFiles;
  std::vector<std::string> m_madeFolders;  // the folders made for the layout, outermost first
  std::string m_savedProfile;
  bool m_ready = false;
};

}  // namespace test
