// "ComServerFail.ocx": a control whose DllUnregisterServer reports a failure.
#include <windows.h>
#include <olectl.h>

#include "stand_in_dll_log.h"

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  stand_in_dll::AppendLog("DllUnregisterServer");
  return SELFREG_E_CLASS;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  stand_in_dll::OnDllMain(instance, reason);
  return TRUE;
}
