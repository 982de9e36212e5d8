// Paths in UTF-16 as text, pure: letters compared as the program compares names, the root of a path
// and the folder above it, and where WoW64's file system redirection leads a path that a 32-bit
// program names on a 64-bit Windows.
#pragma once
#include <string>

// The character with an ASCII capital lowered, every other one as it is: how the program compares
// the names it makes and lists (the file system's own comparison is nt::SameFileName).
inline wchar_t FoldedAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
std::wstring FoldedAscii(std::wstring text);
bool SameFoldedAscii(const std::wstring& one, const std::wstring& other);

// The length of a path's root: 3 for "C:\...", the length of "\\host\share" for a share (its
// separator not counted); 0 when it has none.
size_t RootLength(const std::wstring& path);
// The folder that holds path: "C:\" for "C:\x", "\\host\share" for "\\host\share\x"; empty for a
// root and for a path without one.
std::wstring FolderAbove(const std::wstring& path);

// The folders WoW64's file system redirection maps for a 32-bit program, as the system names them.
struct RedirectedFolders {
  std::wstring windows;  // "C:\Windows"
  std::wstring system;   // "C:\Windows\System32", as the 32-bit program is told it
  std::wstring wow64;    // "C:\Windows\SysWOW64", where it really leads
  bool driverStoreRedirected = false;  // before Windows 7 "System32\DriverStore" was not exempt
};

// The path a 32-bit program on a 64-bit Windows really reaches when it names path: the system folder
// and what lies below it lead to the 32-bit system folder, except the exempt sub-folders
// ("catroot", "catroot2", "DriverStore" from Windows 7, "drivers\etc", "LogFiles", "spool");
// "lastgood\System32" leads to "lastgood\SysWOW64", and the Windows folder's "regedit.exe" to the
// 32-bit one. Every other path, and every path when folders has no 32-bit system folder, stays.
// Letters are compared in any case; the steps that follow keep the case path gave them.
std::wstring RedirectedPath(const std::wstring& path, const RedirectedFolders& folders);
