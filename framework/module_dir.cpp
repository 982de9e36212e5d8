#include "framework/module_dir.h"

#include <windows.h>

int GetModuleDir(std::string& dir) {
  char path[512] = {};
  ::GetModuleFileNameA(nullptr, path, sizeof(path) - 1);
  // The last backslash, stepping over double-byte characters: a trail byte may be 0x5C too.
  const char* lastSlash = nullptr;
  for (const char* p = path; *p; p = ::CharNextA(p))
    if (*p == '\\') lastSlash = p;
  dir.assign(path, lastSlash ? static_cast<size_t>(lastSlash - path) : 0);
  return 1;
}

std::string ModuleDir() {
  std::string dir;
  GetModuleDir(dir);
  return dir;
}
