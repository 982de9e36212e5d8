// The sample client's set-up program: installs the client into this (Wine) Windows exactly as
// the client's installer leaves it, so the uninstaller can be run against a real installation.
// It writes every file, folder, shortcut, registry key and value it made to a manifest, one
// item per line ("F path", "D path", "K key", "V key|name"), for the tests' before/after check.
//
//   setup.exe [/dir FOLDER] [/setuppath TEXT] [/lnk2 TEXT] [/setup-type N] [/lang en]
//             [/other-pppoe] [/no-ipdetect] [/manifest FILE]
//   setup.exe /check FILE     prints which items of a manifest are still there
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "language/language_pack.h"

namespace {

std::string DefaultInstallFolder() {
  char programFiles[MAX_PATH] = "C:\\Program Files";
  ::SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
  return std::string(programFiles) + "\\Mirel\\DornDial";
}

struct Options {
  std::string dir;  // "<Program Files>\Mirel\DornDial" when not given
  std::string setupPath;       // the "SetupPath" value; the folder itself when empty
  std::string lnk2;            // the "lnk2" value; the real shortcut path when empty
  bool lnk2Given = false;
  std::string setupType;       // "SetupType" written into the installed Uninstall.bin
  std::string lang = "zh";
  bool otherPppoe = false;     // another product shares the PPPoE component
  bool noIpdetect = false;
  std::string manifest;
};

class Manifest {
public:
  void File(const std::string& p) { m_lines.push_back("F " + p); }
  void Folder(const std::string& p) { m_lines.push_back("D " + p); }
  void Key(const std::string& k) { m_lines.push_back("K " + k); }
  void Value(const std::string& k, const std::string& n) { m_lines.push_back("V " + k + "|" + n); }
  bool Write(const std::string& path) const {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    for (const std::string& l : m_lines) std::fprintf(f, "%s\n", l.c_str());
    return std::fclose(f) == 0;
  }

private:
  std::vector<std::string> m_lines;
};

Manifest g_manifest;
int g_failures = 0;

void Fail(const std::string& what) {
  std::fprintf(stderr, "setup: %s\n", what.c_str());
  ++g_failures;
}

std::string ModuleDir() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p = path;
  return p.substr(0, p.rfind('\\'));
}

// Creates every missing folder of path, recording each one it made.
// record: whether the folders made are the client's (a shell's folder that a fresh Windows lacks is not).
void MakeFolders(const std::string& path, bool record = true) {
  if (path.size() <= 3 || ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  MakeFolders(path.substr(0, path.rfind('\\')), record);
  if (!::CreateDirectoryA(path.c_str(), nullptr)) Fail("cannot create folder " + path);
  else if (record) g_manifest.Folder(path);
}

void SetAttributes(const std::string& path, DWORD attributes) {
  if (attributes) ::SetFileAttributesA(path.c_str(), attributes);
}

void CopyInto(const std::string& source, const std::string& target, DWORD attributes = 0) {
  MakeFolders(target.substr(0, target.rfind('\\')));
  ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!::CopyFileA(source.c_str(), target.c_str(), FALSE)) {
    Fail("cannot copy " + source + " to " + target);
    return;
  }
  g_manifest.File(target);
  SetAttributes(target, attributes);
}

void WriteText(const std::string& target, const std::string& text, DWORD attributes = 0) {
  MakeFolders(target.substr(0, target.rfind('\\')));
  ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  FILE* f = std::fopen(target.c_str(), "wb");
  if (!f) {
    Fail("cannot write " + target);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  g_manifest.File(target);
  SetAttributes(target, attributes);
}

// A real shell link to target (falls back to a plain file when the shell cannot make one).
void MakeShortcut(const std::string& linkPath, const std::string& target) {
  MakeFolders(linkPath.substr(0, linkPath.rfind('\\')));
  bool made = false;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(target.substr(0, target.rfind('\\')).c_str());
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH] = {};
      ::MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
      made = SUCCEEDED(file->Save(wide, TRUE));
      file->Release();
    }
    link->Release();
  }
  if (made) g_manifest.File(linkPath);
  else WriteText(linkPath, "[InternetShortcut]\r\nURL=file:///" + target + "\r\n");
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) return std::string();
  return path;
}

// Creates (recording) every missing key of path below HKEY_LOCAL_MACHINE.
void MakeKey(const std::string& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    ::RegCloseKey(key);
    return;
  }
  const size_t slash = path.rfind('\\');
  if (slash != std::string::npos) MakeKey(path.substr(0, slash));
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
    ::RegCloseKey(key);
    g_manifest.Key("HKLM\\" + path);
  } else {
    Fail("cannot create key " + path);
  }
}

void SetValue(const std::string& path, const char* name, const std::string& value) {
  MakeKey(path);
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  if (::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS)
    g_manifest.Value("HKLM\\" + path, name);
  else
    Fail("cannot set " + path + "\\" + name);
  ::RegCloseKey(key);
}

void SetDword(const std::string& path, const char* name, DWORD value) {
  MakeKey(path);
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  if (::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
      ERROR_SUCCESS)
    g_manifest.Value("HKLM\\" + path, name);
  ::RegCloseKey(key);
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// "Uninstall.bin" as shipped, with "SetupType" replaced when asked.
std::string InstalledSetupFile(const std::string& source, const std::string& setupType) {
  std::string text;
  if (FILE* f = std::fopen(source.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
    std::fclose(f);
  }
  if (setupType.empty()) return text;
  const std::string name = "\"SetupType\"";
  const size_t at = text.find(name);
  if (at == std::string::npos) return text;
  const size_t end = text.find('\r', at);
  return text.substr(0, at) + name + "=\"" + setupType + "\"" + (end == std::string::npos ? "" : text.substr(end));
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    if (a == "/dir") { if (!next(o.dir)) return false; }
    else if (a == "/setuppath") { if (!next(o.setupPath)) return false; }
    else if (a == "/lnk2") { if (!next(o.lnk2)) return false; o.lnk2Given = true; }
    else if (a == "/setup-type") { if (!next(o.setupType)) return false; }
    else if (a == "/lang") { if (!next(o.lang)) return false; }
    else if (a == "/manifest") { if (!next(o.manifest)) return false; }
    else if (a == "/other-pppoe") o.otherPppoe = true;
    else if (a == "/no-ipdetect") o.noIpdetect = true;
    else return false;
  }
  return true;
}

// One line per manifest item, "there" or "gone", then the counts.
int CheckManifest(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    std::fprintf(stderr, "setup: cannot read %s\n", path.c_str());
    return 1;
  }
  char line[2048];
  int there = 0, gone = 0;
  while (std::fgets(line, sizeof(line), f)) {
    std::string item = line;
    while (!item.empty() && (item.back() == '\n' || item.back() == '\r')) item.pop_back();
    if (item.size() < 3) continue;
    const char kind = item[0];
    const std::string what = item.substr(2);
    bool present = false;
    if (kind == 'F' || kind == 'D') {
      present = Exists(what);
    } else {
      std::string key = what.substr(5);  // below "HKLM\"
      std::string name;
      if (kind == 'V') {
        const size_t bar = key.rfind('|');
        name = key.substr(bar + 1);
        key.resize(bar);
      }
      HKEY k = nullptr;
      if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
        present = kind == 'K' || ::RegQueryValueExA(k, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        ::RegCloseKey(k);
      }
    }
    (present ? there : gone)++;
    const char* kindName = kind == 'F' ? "file  " : kind == 'D' ? "folder" : kind == 'K' ? "key   " : "value ";
    std::printf("  %-5s %s %s\n", present ? "there" : "gone", kindName, what.c_str());
  }
  std::fclose(f);
  std::printf("  %d items there, %d gone\n", there, gone);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "/check") return CheckManifest(argv[2]);
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr, "usage: setup.exe [/dir FOLDER] [/setuppath TEXT] [/lnk2 TEXT] [/setup-type N] "
                         "[/lang en] [/other-pppoe] [/no-ipdetect] [/manifest FILE]\n");
    return 2;
  }
  ::CoInitialize(nullptr);
  const std::string src = ModuleDir();                       // build/win/sample-client
  const std::string product = src.substr(0, src.rfind('\\')) + "\\bin\\Uninstall.exe";
  const std::string languageFile = o.lang == "en" ? "Language.en.xml" : "Language.xml";

  CLanguagePack pack;
  if (!pack.Load(src.c_str(), languageFile.c_str())) {
    std::fprintf(stderr, "setup: cannot load %s\\%s\n", src.c_str(), languageFile.c_str());
    return 1;
  }
  const std::string programFile = pack.GetDefine("PROGRAM_FILENAME");
  const std::string programName = pack.GetDefine("PROGRAM_NAME");
  const std::string clientName = pack.GetDefine("PROGRAM_CLIENT_NAME");
  const std::string engName = pack.GetDefine("PROGRAME_ENG_NAME");
  const std::string uninstallKey = pack.GetDefine("UNINSTALL_KEY");
  char title[256] = {};
  pack.GetText("uninstall", "other", "TEXT1", title, sizeof(title));

  // The installation folder.
  // Where a 32-bit installer puts it: the Program Files folder this program is given, which is
  // "Program Files (x86)" under WoW64; its registry values go through the same 32-bit view.
  if (o.dir.empty()) o.dir = DefaultInstallFolder();
  const std::string d = o.dir;
  MakeFolders(d);
  CopyInto(product, d + "\\Uninstall.exe");
  CopyInto(src + "\\" + languageFile, d + "\\Language.xml");
  WriteText(d + "\\Uninstall.bin", InstalledSetupFile(src + "\\Uninstall.bin", o.setupType));
  for (const char* name : {"Unl.exe", "DriverSetup.dll", "uninstall.bat"})
    if (Exists(src + "\\" + name)) CopyInto(src + "\\" + name, d + "\\" + name);
  if (!o.noIpdetect && Exists(src + "\\Ipdetect.exe")) CopyInto(src + "\\Ipdetect.exe", d + "\\Ipdetect.exe");
  if (Exists(src + "\\" + programFile)) CopyInto(src + "\\" + programFile, d + "\\" + programFile);
  else Fail("no client program " + programFile + " in " + src);
  WriteText(d + "\\help.chm", "ITSF sample help\r\n");
  WriteText(d + "\\readme.txt", "Wireless broadband dial-up client.\r\n", FILE_ATTRIBUTE_READONLY);
  WriteText(d + "\\Skins\\default.skn", "skin=default\r\n", FILE_ATTRIBUTE_READONLY);
  WriteText(d + "\\Skins\\Blue\\blue.skn", "skin=blue\r\n", FILE_ATTRIBUTE_HIDDEN);
  WriteText(d + "\\Data\\config.ini", "[dial]\r\nretry=3\r\n", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  WriteText(d + "\\Data\\Cache\\session.dat", std::string(4096, '\x5a'), FILE_ATTRIBUTE_SYSTEM);
  // Chinese (GBK) folder and file names: "资料\说明.txt".
  WriteText(d + "\\\xd7\xca\xc1\xcf\\\xcb\xb5\xc3\xf7.txt", "\xd6\xd0\xce\xc4\r\n");
  // COM servers listed in reg.ini files of the tree.
  for (const char* name : {"ComServerOk.dll", "ComServerDep.dll", "ComServerFail.ocx", "ComServerNoExport.dll"})
    if (Exists(src + "\\" + std::string(name))) CopyInto(src + "\\" + name, d + "\\Plugins\\" + name);
  WriteText(d + "\\reg.ini", "Plugins\r\n");
  WriteText(d + "\\Plugins\\reg.ini", "ComServerOk.dll\r\nComServerFail.ocx\r\nComServerNoExport.dll\r\n");
  // The portal browser removes itself with its own uninstaller.
  const std::string pavo = d + "\\PavoBrowser";
  if (Exists(src + "\\PavoBrowser\\Unin.exe")) CopyInto(src + "\\PavoBrowser\\Unin.exe", pavo + "\\Unin.exe");
  WriteText(pavo + "\\browser.dat", "home=about:blank\r\n");
  WriteText(pavo + "\\Cache\\page.htm", "<html></html>\r\n", FILE_ATTRIBUTE_HIDDEN);

  // Shortcuts: the client's own group with lnk1..lnk9 (no lnk5), the title shortcut there and on
  // the desktop, and the program's shortcut in every shell folder and in Quick Launch.
  const std::string group = ShellFolder(CSIDL_PROGRAMS) + "\\" + clientName;
  const std::string desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY);
  const std::string main = d + "\\" + programFile;
  const std::string quickLaunch = ShellFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch";
  struct Lnk { const char* name; std::string path; std::string target; } lnks[] = {
      {"lnk1", group + "\\" + programName + ".lnk", main},
      {"lnk2", group + "\\Uninstall " + programName + ".lnk", d + "\\Uninstall.exe"},
      {"lnk3", group + "\\Help.lnk", d + "\\help.chm"},
      {"lnk4", group + "\\Readme.lnk", d + "\\readme.txt"},
      {"lnk6", group + "\\Portal.lnk", pavo + "\\browser.dat"},
      {"lnk7", desktop + "\\Portal.lnk", pavo + "\\browser.dat"},
      {"lnk8", ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\" + clientName + " Tools.lnk", main},
      {"lnk9", group + "\\Skins.lnk", d + "\\Skins"}};
  for (const Lnk& l : lnks) MakeShortcut(l.path, l.target);
  MakeShortcut(group + "\\" + title + ".lnk", main);
  MakeShortcut(desktop + "\\" + title + ".lnk", main);
  for (int csidl : {CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_STARTMENU, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS,
                    CSIDL_COMMON_STARTUP, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_DESKTOPDIRECTORY}) {
    const std::string folder = ShellFolder(csidl);
    if (!folder.empty()) MakeShortcut(folder + "\\" + programName + ".lnk", main);
  }
  MakeFolders(quickLaunch, false);  // the Quick Launch bar's folder: the shell's, which Wine lacks
  MakeShortcut(quickLaunch + "\\" + programName + ".lnk", main);

  // The user's data.
  const std::string teloris = ShellFolder(CSIDL_APPDATA) + "\\Teloris";
  WriteText(teloris + "\\account.dat", "user=demo\r\n");
  WriteText(teloris + "\\History\\2026-12.log", "connected 3h\r\n", FILE_ATTRIBUTE_HIDDEN);

  // Registry: the setup information, the client's settings, the Add/Remove Programs entries,
  // the shared PPPoE register and the PPPoE driver's service key.
  const std::string info = "SOFTWARE\\Mirel_Mini\\Dorn_pppoe\\SetupInfo";
  SetValue(info, "SetupPath", o.setupPath.empty() ? d : o.setupPath);
  for (const Lnk& l : lnks)
    SetValue(info, l.name, std::string(l.name) == "lnk2" && o.lnk2Given ? o.lnk2 : l.path);
  SetValue("SOFTWARE\\Mirel_Mini\\Dorn_pppoe2\\systemset", "AutoDial", "0");
  SetValue("SOFTWARE\\Mirel_Mini\\Dorn_pppoe2\\systemset", "LogMode", "TRUE");
  for (const std::string& name : {uninstallKey, engName}) {
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    SetValue(key, "DisplayName", clientName);
    // Quoted, since the folder name has spaces: Add/Remove Programs runs the first value, deployment
    // tools the silent second one.
    SetValue(key, "UninstallString", "\"" + d + "\\Uninstall.exe\"");
    SetValue(key, "QuietUninstallString", "\"" + d + "\\Uninstall.exe\" /S");
  }
  SetValue("SOFTWARE\\BriskoPPPOE\\SetupInfo", "Mirel_Mini", d);
  if (o.otherPppoe) SetValue("SOFTWARE\\BriskoPPPOE\\SetupInfo", "Other_Dialer", "C:\\Program Files\\Other");
  const std::string service = "SYSTEM\\CurrentControlSet\\Services\\DornPPPoE";
  SetDword(service, "Type", 1);
  SetDword(service, "Start", 3);
  SetValue(service, "ImagePath", "system32\\drivers\\dornpppoe.sys");
  SetValue(service, "DisplayName", "Dorn PPPoE Protocol");

  ::CoUninitialize();
  if (!o.manifest.empty() && !g_manifest.Write(o.manifest)) Fail("cannot write manifest " + o.manifest);
  return g_failures == 0 ? 0 : 1;
}
