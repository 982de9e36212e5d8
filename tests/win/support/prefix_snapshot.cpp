#include "support/prefix_snapshot.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "framework/wide_text.h"
#include "language/mbcs.h"
#include "support/test_support.h"
#include "support/windows64.h"

namespace test {

std::string LowerPath(const std::string& path) {
  std::string out = path;
  for (size_t i = 0; i < out.size();) {
    const int step = MbCharLen(out.c_str() + i);
    if (step == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
    i += step > 0 ? static_cast<size_t>(step) : 1;
  }
  return out;
}

std::string SnapshotPath(const std::wstring& path) {
  bool exact = false;
  std::string text = AnsiFromWide(path, &exact);
  if (exact) return LowerPath(text);
  text.clear();
  for (wchar_t c : path) {
    bool single = false;
    const std::string one = AnsiFromWide(std::wstring(1, c), &single);
    if (single) {
      text += one;
    } else {
      char code[16];
      std::snprintf(code, sizeof(code), "<U+%04X>", static_cast<unsigned>(c));
      text += code;
    }
  }
  return LowerPath(text);
}

namespace {

bool Skipped(const std::string& lowerPath, const std::vector<std::string>& skips) {
  for (const std::string& skip : skips)
    if (lowerPath == skip || (lowerPath.size() > skip.size() && lowerPath.compare(0, skip.size(), skip) == 0 &&
                              lowerPath[skip.size()] == '\\'))
      return true;
  return false;
}

void WalkFolder(const std::wstring& folder, const SnapshotOptions& options, Snapshot& out) {
  WIN32_FIND_DATAW fd;
  HANDLE h = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring full = folder + L"\\" + name;
    const std::string lower = SnapshotPath(full);
    if (Skipped(lower, options.skipFolders)) continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.insert("D " + lower);
      // Wine's links to Unix folders (the profile's "My Music" and the like) are not followed.
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) WalkFolder(full, options, out);
    } else {
      out.insert("F " + lower);
    }
  } while (::FindNextFileW(h, &fd));
  ::FindClose(h);
}

void WalkKey(HKEY root, const std::string& rootName, const std::string& path, const SnapshotOptions& options,
             Snapshot& out, REGSAM view = 0) {
  const std::string lower = LowerPath(rootName + "\\" + path);
  if (Skipped(lower, options.skipKeys)) return;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
  out.insert("K " + lower);
  char name[16384];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof(name);
    if (::RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    out.insert("V " + lower + "|" + LowerPath(name));
  }
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof(name);
    if (::RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.emplace_back(name);
  }
  ::RegCloseKey(key);
  for (const std::string& sub : subkeys) WalkKey(root, rootName, path + "\\" + sub, options, out, view);
}

// The machine's software keys read from one saved copy instead of key by key: Wine saves a key
// tree in one server call (about 10 ms for what takes 40,000 calls and 3 s to walk) as text,
//   [Classes\\.txt] 1796848404        a key, its path below the saved key
//   "Content Type"="text/plain"        a value ("@=" the default one)
//   #link                              a symbolic link, its target in "SymbolicLinkValue"
// with names escaped (\\ \" \[ \] \xNNNN \ooo \n ...). Gives the items a walk gives (every
// key, also those only implied by the path of one below it, links followed to their target) but
// for volatile keys, which the copy leaves out.
class SavedSoftwareKeys {
public:
  // False when the copy cannot be saved or read (the caller walks instead).
  bool Read() {
    EnableBackupPrivilege();
    TempDir dir;
    const std::string file = dir / "software.reg";
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const LONG saved = ::RegSaveKeyA(key, file.c_str(), nullptr);
    ::RegCloseKey(key);
    std::string text;
    if (saved != ERROR_SUCCESS || !ReadFileBytes(file, text) || text.compare(0, 23, "WINE REGISTRY Version 2") != 0)
      return false;
    return Parse(text);
  }

  // Adds every key and value below HKLM\SOFTWARE, named as the walk names them.
  bool AddTo(const SnapshotOptions& options, Snapshot& out) const {
    return Add(L"", "HKLM\\SOFTWARE", options, out, 0);
  }

private:
  struct Key {
    std::vector<std::wstring> values;
    std::set<std::wstring> children;
    std::wstring linkTarget;  // below the saved key; empty for a key that is no link
  };

  static void EnableBackupPrivilege() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (::LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &privileges.Privileges[0].Luid))
      ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    ::CloseHandle(token);
  }

  static std::wstring Lower(std::wstring text) {
    if (!text.empty()) ::CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
  }

  // The name that starts at text[at] and ends before the unescaped character end; at is left
  // after that character.
  static std::wstring Unescape(const std::string& text, size_t& at, char end) {
    std::wstring name;
    while (at < text.size() && text[at] != end) {
      char c = text[at++];
      if (c != '\\' || at >= text.size()) {
        name += static_cast<wchar_t>(static_cast<unsigned char>(c));
        continue;
      }
      c = text[at++];
      const char* const controls = "a\ab\bt\tn\nv\vf\fr\re\x1b";
      const char* control = c == 'x' ? nullptr : std::strchr(controls, c);
      if (c == 'x' || (c >= '0' && c <= '7')) {
        const int base = c == 'x' ? 16 : 8, most = c == 'x' ? 4 : 3;
        unsigned code = c == 'x' ? 0 : static_cast<unsigned>(c - '0');
        for (int digits = c == 'x' ? 0 : 1; digits < most && at < text.size(); ++digits) {
          const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
          const int value = d >= '0' && d <= '9' ? d - '0' : d >= 'a' && d <= 'f' ? d - 'a' + 10 : 99;
          if (value >= base) break;
          code = code * base + static_cast<unsigned>(value);
          ++at;
        }
        name += static_cast<wchar_t>(code);
      } else if (control && (control - controls) % 2 == 0) {
        name += static_cast<wchar_t>(control[1]);
      } else {
        name += static_cast<wchar_t>(static_cast<unsigned char>(c));
      }
    }
    ++at;
    return name;
  }

  // The link's target from its "SymbolicLinkValue"=hex(6):5c,00,... (UTF-16 bytes, lines joined).
  bool SetLinkTarget(Key& key, const std::string& hexBytes) {
    std::wstring target;
    unsigned low = 0;
    bool haveLow = false;
    std::istringstream bytes(hexBytes);
    for (std::string byte; std::getline(bytes, byte, ',');) {
      const unsigned value = static_cast<unsigned>(std::strtoul(byte.c_str(), nullptr, 16));
      if (haveLow) target += static_cast<wchar_t>(low | (value << 8));
      low = value;
      haveLow = !haveLow;
    }
    const std::wstring root = L"\\registry\\machine\\software\\";
    if (Lower(target.substr(0, root.size())) != root) return false;
    key.linkTarget = Lower(target.substr(root.size()));
    return true;
  }

  bool Parse(const std::string& text) {
    std::istringstream lines(text);
    Key* key = nullptr;
    bool link = false;
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      size_t at = 1;
      if (line[0] == '[') {
        const std::wstring path = Unescape(line, at, ']');
        key = &AddKey(path);
        link = false;
      } else if (line == "#link") {
        link = true;
      } else if (key && (line[0] == '"' || line[0] == '@')) {
        const std::wstring name = line[0] == '@' ? std::wstring() : Unescape(line, at, '"');
        if (!link) {
          key->values.push_back(name);
        } else if (name == L"SymbolicLinkValue") {
          std::string hex = line.substr(line.find(':') + 1);
          while (!hex.empty() && hex.back() == '\\' && std::getline(lines, line)) hex.pop_back(), hex += line;
          if (!SetLinkTarget(*key, hex)) return false;
        }
      }
    }
    return !m_keys.empty();
  }

  // The key of that path and, implied by it, each key above it.
  Key& AddKey(const std::wstring& path) {
    const auto found = m_keys.find(Lower(path));
    if (found != m_keys.end()) return found->second;
    Key& key = m_keys[Lower(path)];
    if (!path.empty()) {
      const size_t cut = path.rfind(L'\\');
      if (cut == std::wstring::npos)
        AddKey(L"").children.insert(path);
      else
        AddKey(path.substr(0, cut)).children.insert(path.substr(cut + 1));
    }
    return key;
  }

  static std::string Ansi(const std::wstring& text) {
    if (text.empty()) return std::string();
    std::string out(text.size() * 2 + 1, '\0');
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                           static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<size_t>(size > 0 ? size : 0));
    return out;
  }

  // path: the key's lower-case path in the copy; shown: its name as the walk gives it.
  bool Add(const std::wstring& path, const std::string& shown, const SnapshotOptions& options, Snapshot& out,
           int links) const {
    const std::string lower = LowerPath(shown);
    if (Skipped(lower, options.skipKeys)) return true;
    auto found = m_keys.find(path);
    // A link is read as the walk reads it: its target's values and keys under its own name; a
    // link to a key that is not there cannot be opened, so it shows nothing.
    bool followed = false;
    while (found != m_keys.end() && !found->second.linkTarget.empty() && links < 8) {
      found = m_keys.find(found->second.linkTarget);
      followed = true;
      ++links;
    }
    if (found == m_keys.end()) return followed;
    if (!found->second.linkTarget.empty()) return false;
    out.insert("K " + lower);
    for (const std::wstring& value : found->second.values) out.insert("V " + lower + "|" + LowerPath(Ansi(value)));
    const std::wstring& below = found->first;
    for (const std::wstring& child : found->second.children)
      if (!Add((below.empty() ? L"" : below + L"\\") + Lower(child), shown + "\\" + Ansi(child), options, out, links))
        return false;
    return true;
  }

  std::map<std::wstring, Key> m_keys;
};

}  // namespace

bool AddSoftwareKeysFromSavedCopy(const SnapshotOptions& options, Snapshot& out) {
  // Under WoW64 "HKLM" is the 32-bit view, which a saved copy is not.
  if (RunningUnderWow64()) return false;
  SavedSoftwareKeys saved;
  Snapshot software;
  if (!saved.Read() || !saved.AddTo(options, software)) return false;
  out.insert(software.begin(), software.end());
  return true;
}

void AddSoftwareKeysByWalking(const SnapshotOptions& options, Snapshot& out) {
  WalkKey(HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE", options, out);
}

Snapshot TakeSnapshot(const SnapshotOptions& options) {
  Snapshot out;
  {
    // Under WoW64 the disk as it is: the real system32 and, apart, SysWOW64 (redirected, the
    // walk would see SysWOW64 twice and the 64-bit system folder never).
    NativeFileView native;
    WalkFolder(L"C:", options, out);
  }
  if (!AddSoftwareKeysFromSavedCopy(options, out)) AddSoftwareKeysByWalking(options, out);
  // Under WoW64 "HKLM" is the 32-bit view; the 64-bit one is walked as "HKLM64", without its
  // folder of the 32-bit view.
  if (RunningUnderWow64()) {
    SnapshotOptions native = options;
    native.skipKeys.push_back("hklm64\\software\\wow6432node");
    native.skipKeys.push_back("hklm64\\software\\classes\\wow6432node");
    WalkKey(HKEY_LOCAL_MACHINE, "HKLM64", "SOFTWARE", native, out, KEY_WOW64_64KEY);
  }
  WalkKey(HKEY_LOCAL_MACHINE, "HKLM", "SYSTEM\\CurrentControlSet\\Services", options, out);
  WalkKey(HKEY_CURRENT_USER, "HKCU", "Software", options, out);
  return out;
}

std::vector<std::string> Minus(const Snapshot& a, const Snapshot& b) {
  std::vector<std::string> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

}  // namespace test
