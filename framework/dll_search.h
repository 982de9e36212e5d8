// Where the program's libraries may come from. The program runs with administrator rights from a
// folder others may reach (a download folder, a share), so the libraries the system loads on its
// behalf must never be found beside it or in the current folder: they come from the system folder
// only. First thing at start.
#pragma once

// Limits the library search to the system folder: SetDefaultDllDirectories where the system has
// it (Windows 8 on, and 7 and Vista with their update), else SetDllDirectory("") (XP SP1 on) and
// every library the system would load later by its bare name loaded now by its full path in the
// system folder, and PATH, where that search ends, cut to the system folder and the Windows folder
// for this process and what it starts. The safe search mode for programs is switched on where the
// system has it, and the current folder becomes the system folder.
void RestrictLibrarySearch();

// The libraries loaded up front where SetDefaultDllDirectories is missing: the ones the system
// loads on the program's behalf by their bare names.
extern const char* const kLibrariesLoadedUpFront[];
extern const unsigned kLibrariesLoadedUpFrontCount;
