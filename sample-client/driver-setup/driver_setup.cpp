// "DriverSetup.dll": the client's driver library. UninstallAllDriver records its call and
// returns the number written in "DriverSetup.result" beside the library (1 when there is none).
#include <windows.h>

#include <cstdio>

#include "../com-servers/stand_in_dll_log.h"

extern "C" __declspec(dllexport) int UninstallAllDriver() {
  stand_in_dll::AppendLog("UninstallAllDriver");
  int result = 1;
  const std::string resultFile = stand_in_dll::OwnFolder() + "\\DriverSetup.result";
  if (FILE* f = std::fopen(resultFile.c_str(), "r")) {
    if (std::fscanf(f, "%d", &result) != 1) result = 1;
    std::fclose(f);
  }
  return result;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  stand_in_dll::OnDllMain(instance, reason);
  return TRUE;
}
