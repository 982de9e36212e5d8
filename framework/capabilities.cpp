#include "framework/capabilities.h"

#include <windows.h>

namespace {
constexpr int kCapabilities = static_cast<int>(Capability::FolderHandles) + 1;
// One flag per capability, set once it is known missing. A long written by the interlocked
// functions, which every Windows has.
volatile LONG g_missing[kCapabilities] = {};

volatile LONG& MissingFlag(Capability capability) { return g_missing[static_cast<int>(capability)]; }

// The answer of a probe, found on first use and kept: 0 not yet known, 1 present, 2 missing. No
// function-local static: the C++ runtime guards those with a lock that needs what is probed here.
bool Probed(volatile LONG& state, Capability capability, bool (*probe)()) {
  if (!MayUse(capability)) return false;
  if (state == 0) {
    const bool present = probe();
    if (!present) MarkMissing(capability);
    ::InterlockedExchange(&state, present ? 1 : 2);
  }
  return state == 1 && MayUse(capability);
}

bool ProbeNtCalls() {
  // Windows 95, 98 and Me have an ntdll.dll of a few functions, none of the native file calls.
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "NtQueryInformationFile") && ::GetProcAddress(ntdll, "NtCreateFile");
}

bool ProbeElevatedTokens() {
  if (!HasNtCalls()) return false;
  using OpenProcessTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
  using GetTokenInformationFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD, PDWORD);
  const HMODULE advapi = ::GetModuleHandleA("advapi32.dll");
  const auto open = advapi ? reinterpret_cast<OpenProcessTokenFn>(reinterpret_cast<void*>(
                                 ::GetProcAddress(advapi, "OpenProcessToken")))
                           : nullptr;
  const auto query = advapi ? reinterpret_cast<GetTokenInformationFn>(reinterpret_cast<void*>(
                                  ::GetProcAddress(advapi, "GetTokenInformation")))
                            : nullptr;
  HANDLE token = nullptr;
  if (!open || !query || !open(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  constexpr int kTokenElevationType = 18;  // unknown before Windows Vista
  DWORD type = 0, size = 0;
  const bool known = query(token, kTokenElevationType, &type, sizeof(type), &size) != FALSE;
  ::CloseHandle(token);
  return known;
}

volatile LONG g_ntCalls = 0;
volatile LONG g_elevatedTokens = 0;
}  // namespace

bool MayUse(Capability capability) { return MissingFlag(capability) == 0; }

void MarkMissing(Capability capability) { ::InterlockedExchange(&MissingFlag(capability), 1); }

void SwitchOffForTests(Capability capability) { MarkMissing(capability); }

bool HasNtCalls() { return Probed(g_ntCalls, Capability::NtCalls, &ProbeNtCalls); }

bool HasElevatedTokens() { return Probed(g_elevatedTokens, Capability::ElevatedTokens, &ProbeElevatedTokens); }
