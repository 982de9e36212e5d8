// Text rules for finding the client's processes, free of Win32 so the host tests check them.
// Texts are ANSI in the system code page: a double-byte character is never split, lowercased
// or matched from its middle.
#pragma once
#include <string>

#include "language/mbcs.h"  // FoldedAnsi

// Blanks, tabs and line breaks removed from both ends.
std::string TrimBlanks(const std::string& text);

// The name of a client executable as matched against process names: the define's value
// lowercased and trimmed.
std::string ClientFileNameKey(const std::string& defineValue);

// True when needle occurs in haystack starting on a character boundary. An empty needle
// matches nothing: an empty file name must never make every process the client's.
bool ContainsText(const std::string& haystack, const std::string& needle);

// The portal browser's uninstaller with its argument, for the program folder moduleDir:
// "<moduleDir>\PavoBrowser\Unin.exe" -Qlume, the path quoted so a folder with blanks cannot
// start another program. False (and no command line) when it would exceed 255 characters.
bool FormBrowserUninstallerCommand(const std::string& moduleDir, std::string& commandLine);
