// The folder of the running program, where its companion files lie.
#pragma once
#include <string>

// The folder of the running program without a trailing backslash (empty when the path has no
// backslash). Always returns 1.
int GetModuleDir(std::string& dir);
// The same folder as a value.
std::string ModuleDir();

// The same folder as the file system names it, in UTF-16: its final path (links and mapped drives
// resolved) where the system can tell, else its long form. The companions beside the program are
// found here, so a program started through a link judges and uses the folder it really lies in.
// Empty when it cannot be told.
std::wstring ModuleFolderPath();
