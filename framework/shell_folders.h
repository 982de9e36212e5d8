// The folders the shell names (CSIDL_...), on every Windows: SHGetFolderPathA where SHELL32 has it
// (Windows Me and 2000 on), the same function of SHFOLDER.DLL otherwise (installed with Internet
// Explorer 5 and many programs), SHGetSpecialFolderPathA next (the desktop update of Internet
// Explorer 4), and the item list of the shell of Windows 95 and NT 4.0 last.
#pragma once
#include <string>

// The folder's path as the system has it now, without a trailing separator; empty when the
// system does not know the folder (a folder of all users on Windows 95, 98 and Me, say).
std::string ShellFolderPath(int csidl);
