// How the library stand-ins record what they were asked: one line per event ("attach",
// "detach", the name of each export called) appended to <log folder>\<file name without
// extension>.log. The log folder is %SAMPLE_CLIENT_LOG_DIR% when set, else the library's own
// folder, so a copy of a stand-in under another name (mfc80.dll) keeps a log of its own.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

namespace stand_in_dll {

// The library's own module, set from DllMain.
inline HMODULE& Module() {
  static HMODULE module = nullptr;
  return module;
}

inline std::string OwnPath() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(Module(), path, MAX_PATH);
  return path;
}

inline std::string OwnFolder() {
  const std::string path = OwnPath();
  return path.substr(0, path.rfind('\\'));
}

inline std::string OwnBaseName() {
  const std::string path = OwnPath();
  std::string name = path.substr(path.rfind('\\') + 1);
  return name.substr(0, name.rfind('.'));
}

inline void AppendLog(const char* event) {
  char dir[MAX_PATH] = {};
  const std::string folder =
      ::GetEnvironmentVariableA("SAMPLE_CLIENT_LOG_DIR", dir, MAX_PATH) > 0 ? dir : OwnFolder();
  const std::string path = folder + "\\" + OwnBaseName() + ".log";
  if (FILE* log = std::fopen(path.c_str(), "ab")) {
    std::fprintf(log, "%s\r\n", event);
    std::fclose(log);
  }
}

// Call from DllMain: remembers the module and records loading and unloading.
inline void OnDllMain(HINSTANCE instance, DWORD reason) {
  if (reason == DLL_PROCESS_ATTACH) {
    Module() = instance;
    AppendLog("attach");
  } else if (reason == DLL_PROCESS_DETACH) {
    AppendLog("detach");
  }
}

}  // namespace stand_in_dll
