// The text side of the one path rule that guards every path taken from data (the installation
// folder, the user-data folder, shortcut values, "reg.ini" names, the language pack's file names)
// before anything is deleted. Pure: the system's part (long names, the protected folders) lives in
// path_rule.h. Paths are ANSI text in the system code page; double-byte characters are never split.
#pragma once
#include <string>
#include <vector>

#include "language/mbcs.h"  // FoldedAnsi, AnsiRootLength

// The canonical form of path as far as its text tells, or empty when it names no absolute
// location below a root:
// - "/" is read as "\", and doubled separators are folded;
// - the prefixes "\\?\" and "\\.\" are dropped ("\\?\UNC\host\share" becomes "\\host\share");
// - an administrative share "\\host\X$\rest" is read as "X:\rest";
// - the other hidden shares ("\\host\ADMIN$", "IPC$", ...) name no place of the client's: empty;
// - trailing dots and blanks of each step are dropped, as Windows drops them;
// - a trailing separator is dropped, except after a drive ("C:\");
// - relative paths, paths relative to a drive ("C:x"), device names, "." and ".." steps (which
//   would lead somewhere other than the text seems to say), and steps holding a wildcard or
//   another character no file name may hold give an empty result.
std::string CanonicalPathText(const std::string& path);

// The folders the rule protects, in canonical form and case-folded.
struct ProtectedFolders {
  std::vector<std::string> withContents;  // nothing at or below them (the Windows folder)
  std::vector<std::string> themselves;    // never the folder itself or any folder above it
  // Folders below a folder protected with its contents whose contents are judged as anywhere else:
  // the shell folders and profiles that Windows 95, 98, Me and NT 4.0 (and a Windows 2000 upgraded
  // from it) keep below the Windows folder. Each is protected itself (it is among themselves too).
  std::vector<std::string> openings;
};

// The steps of a canonical path below its root, in order.
std::vector<std::string> PathStepsBelowRoot(const std::string& canonical);

// Whether a canonical, case-folded path may be removed: it lies below a drive or share root,
// is not at or below a folder protected with its contents (unless it lies below one of its
// openings), and is neither a protected folder itself nor a folder that holds one.
bool IsPathAllowed(const std::string& canonicalFolded, const ProtectedFolders& folders);

// Whether a canonical, case-folded path lies strictly below a canonical, case-folded folder.
bool IsPathBelow(const std::string& path, const std::string& folder);

// Whether the file name ends in ".lnk", ".pif" or ".url" (any case): the kinds of file a shortcut
// value may name.
bool HasShortcutExtension(const std::string& path);
