// "ComServerNoExport.dll": a library without DllUnregisterServer (and without
// UninstallAllDriver, so a copy named DriverSetup.dll stands for a driver library that lacks it).
#include <windows.h>

#include "stand_in_dll_log.h"

extern "C" __declspec(dllexport) int __stdcall ComServerNoExportVersion() { return 1; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  stand_in_dll::OnDllMain(instance, reason);
  return TRUE;
}
