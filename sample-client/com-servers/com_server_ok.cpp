// "ComServerOk.dll": a COM server whose DllUnregisterServer succeeds. It imports
// ComServerDep.dll, which lies beside it.
#include <windows.h>

#include "stand_in_dll_log.h"

extern "C" __declspec(dllimport) int ComServerDepAnswer();

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  stand_in_dll::AppendLog("DllUnregisterServer");
  return ComServerDepAnswer() == 42 ? S_OK : E_UNEXPECTED;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  stand_in_dll::OnDllMain(instance, reason);
  return TRUE;
}
