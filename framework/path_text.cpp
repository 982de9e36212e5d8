#include "framework/path_text.h"

namespace {

// Whether path is folder itself or lies below it (letters in any case); rest is what follows the
// folder's separator ("" for the folder itself).
bool StartsWithFolder(const std::wstring& path, const std::wstring& folder, std::wstring& rest) {
  if (folder.empty() || path.size() < folder.size() ||
      !SameFoldedAscii(path.substr(0, folder.size()), folder))
    return false;
  if (path.size() == folder.size()) {
    rest.clear();
    return true;
  }
  if (path[folder.size()] != L'\\') return false;
  rest = path.substr(folder.size() + 1);
  return true;
}

// Whether what follows the system folder lies in a sub-folder that the redirection leaves alone.
bool IsExempt(const std::wstring& rest, bool driverStoreRedirected) {
  const wchar_t* const exempt[] = {L"catroot", L"catroot2", L"driverstore", L"drivers\\etc", L"logfiles", L"spool"};
  for (const wchar_t* folder : exempt) {
    const std::wstring name = folder;
    if (driverStoreRedirected && name == L"driverstore") continue;
    std::wstring below;
    if (StartsWithFolder(rest, name, below)) return true;
  }
  return false;
}

}  // namespace

bool SameFoldedAscii(const std::wstring& one, const std::wstring& other) {
  if (one.size() != other.size()) return false;
  for (size_t i = 0; i < one.size(); ++i)
    if (FoldedAscii(one[i]) != FoldedAscii(other[i])) return false;
  return true;
}

std::wstring LastStep(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring FolderAbove(const std::wstring& path) {
  const size_t root = RootLength(path);
  const size_t slash = path.find_last_of(L'\\');
  if (root == 0 || path.size() <= root || slash == std::wstring::npos || slash + 1 < root) return std::wstring();
  return slash < root ? path.substr(0, root) : path.substr(0, slash);
}

std::wstring RedirectedPath(const std::wstring& path, const RedirectedFolders& folders) {
  if (folders.wow64.empty() || folders.system.empty() || folders.windows.empty()) return path;
  std::wstring rest;
  if (StartsWithFolder(path, folders.system, rest))
    return IsExempt(rest, folders.driverStoreRedirected) ? path : folders.wow64 + (rest.empty() ? L"" : L"\\" + rest);
  if (StartsWithFolder(path, folders.windows + L"\\lastgood\\" + LastStep(folders.system), rest))
    return folders.windows + L"\\lastgood\\" + LastStep(folders.wow64) + (rest.empty() ? L"" : L"\\" + rest);
  if (SameFoldedAscii(path, folders.windows + L"\\regedit.exe")) return folders.wow64 + L"\\regedit.exe";
  return path;
}
