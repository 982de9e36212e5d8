// Libraries of the system loaded at run time, always by their full path in the system folder:
// a bare name would be searched for in the program's folder and the current folder first, where
// anyone may have put a library of that name. Each library stays loaded for the rest of the run.
#pragma once
#include <windows.h>

#include <string>

// The library dllName ("rasapi32.dll") from the system folder; null when it is not there.
HMODULE LoadSystemLibrary(const char* dllName);

// A function of a system library, or null when the library or the function is missing (an older
// Windows, a component not installed).
FARPROC SystemFunction(const char* dllName, const char* functionName);

// Loads the library at its full path, the libraries it needs in turn found beside it or in the
// system folder (never in the program's folder or the current one). Null when it cannot be loaded.
// Call RestrictLibrarySearch (framework/dll_search.h) first: it finds whether the system knows the
// search flags this takes where it can.
HMODULE LoadLibraryFromItsFolder(const std::wstring& path);

template <typename Fn>
Fn SystemFunctionAs(const char* dllName, const char* functionName) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(SystemFunction(dllName, functionName)));
}
