// "ComServerDep.dll": a library that ComServerOk.dll imports. It lies only beside the server, so
// the server loads only when its own folder is searched for its dependencies.
#include <windows.h>

#include "stand_in_dll_log.h"

extern "C" __declspec(dllexport) int ComServerDepAnswer() { return 42; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  stand_in_dll::OnDllMain(instance, reason);
  return TRUE;
}
