// The folder of the running program, where its companion files lie.
#pragma once
#include <string>

// The folder of the running program without a trailing backslash (empty when the path has no
// backslash). Always returns 1.
int GetModuleDir(std::string& dir);
// The same folder as a value.
std::string ModuleDir();
