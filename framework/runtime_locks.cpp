// The C++ runtime's own locks (a function-local static that two threads make at once, the
// exception frames' registry, thread-local data) are semaphores it makes with CreateSemaphoreW,
// which Windows 95, 98 and Me only stub: there it would fail, and the runtime end the program. The
// runtime reaches the function through its import pointer; this file is linked into the program
// itself and gives that pointer a function that takes CreateSemaphoreA on those systems.
#include <windows.h>

#include "framework/capabilities.h"

namespace {

using CreateSemaphoreWFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR);

HANDLE WINAPI CreateRuntimeSemaphore(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name) {
  if (HasNtCalls()) {
    // The system's own, found by name: importing it would bring back the pointer this file replaces.
    const auto system = reinterpret_cast<CreateSemaphoreWFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "CreateSemaphoreW")));
    if (system) return system(attributes, initial, maximum, name);
  }
  char narrow[MAX_PATH] = {};
  if (name && !::WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof(narrow), nullptr, nullptr)) return nullptr;
  return ::CreateSemaphoreA(attributes, initial, maximum, name ? narrow : nullptr);
}

}  // namespace

// The import pointer's own name, decorated as the 32-bit import library names it.
extern "C" CreateSemaphoreWFn const runtimeCreateSemaphoreW __asm__("__imp__CreateSemaphoreW@16");
extern "C" CreateSemaphoreWFn const runtimeCreateSemaphoreW = &CreateRuntimeSemaphore;
