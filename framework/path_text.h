// Paths and names as text, pure: letters folded as the program compares names, the root of a path
// and the folder above it, and where WoW64's file system redirection leads a path that a 32-bit
// program names on a 64-bit Windows. The helpers serve UTF-16 and the code page's text alike: the
// caller says how long the character at a place is, so a double-byte character (whose second byte
// may look like a capital or a "\") is never split.
#pragma once
#include <cstddef>
#include <string>

// The units of the character at p of UTF-16 text: always one (no surrogate looks like ASCII).
inline int WideCharLength(const wchar_t* p) { return *p ? 1 : 0; }

// The character with an ASCII capital lowered, every other one as it is: how the program compares
// the names it makes and lists (the file system's own comparison is nt::SameFileName).
template <typename Char>
Char FoldedAscii(Char c) {
  return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// The text with the capitals of its single-unit characters lowered; charLength(p) is the units of
// the character at p (0 at a zero, which counts as one unit here).
template <typename Char, typename CharLength>
std::basic_string<Char> FoldedAsciiText(std::basic_string<Char> text, CharLength charLength) {
  for (size_t i = 0; i < text.size();) {
    const int length = charLength(text.c_str() + i);
    if (length == 1) text[i] = FoldedAscii(text[i]);
    i += length > 0 ? static_cast<size_t>(length) : 1;
  }
  return text;
}
inline std::wstring FoldedAscii(const std::wstring& text) { return FoldedAsciiText(text, &WideCharLength); }
bool SameFoldedAscii(const std::wstring& one, const std::wstring& other);

// The offset of the first single-unit separator "\" at or after from, or npos.
template <typename Char, typename CharLength>
size_t FindSeparator(const std::basic_string<Char>& path, size_t from, CharLength charLength) {
  for (size_t i = from; i < path.size();) {
    const int length = charLength(path.c_str() + i);
    if (length == 1 && path[i] == Char('\\')) return i;
    i += length > 0 ? static_cast<size_t>(length) : 1;
  }
  return std::basic_string<Char>::npos;
}

// The length of a path's root: 3 for "C:\...", the length of "\\host\share" for a share (its
// separator not counted); 0 when it has none.
template <typename Char, typename CharLength>
size_t RootLengthOf(const std::basic_string<Char>& path, CharLength charLength) {
  const auto isLetter = [](Char c) { return (c >= Char('a') && c <= Char('z')) || (c >= Char('A') && c <= Char('Z')); };
  if (path.size() >= 3 && isLetter(path[0]) && path[1] == Char(':') && path[2] == Char('\\')) return 3;
  if (path.size() > 2 && path[0] == Char('\\') && path[1] == Char('\\')) {
    const size_t host = FindSeparator(path, 2, charLength);
    if (host == std::basic_string<Char>::npos || host == 2) return 0;
    const size_t share = FindSeparator(path, host + 1, charLength);
    if (share == host + 1) return 0;
    return share == std::basic_string<Char>::npos ? path.size() : share;
  }
  return 0;
}
inline size_t RootLength(const std::wstring& path) { return RootLengthOf(path, &WideCharLength); }

// The last step of a path: what follows its last separator (all of it when it has none).
std::wstring LastStep(const std::wstring& path);

// path without separators at its end; a drive's root (C:\) keeps its one.
std::wstring WithoutTrailingSeparators(std::wstring path);

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
