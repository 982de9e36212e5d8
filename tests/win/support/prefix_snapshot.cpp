#include "support/prefix_snapshot.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "framework/wide_text.h"
#include "language/mbcs.h"
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

}  // namespace

Snapshot TakeSnapshot(const SnapshotOptions& options) {
  Snapshot out;
  {
    // Under WoW64 the disk as it is: the real system32 and, apart, SysWOW64 (redirected, the
    // walk would see SysWOW64 twice and the 64-bit system folder never).
    NativeFileView native;
    WalkFolder(L"C:", options, out);
  }
  WalkKey(HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE", options, out);
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
