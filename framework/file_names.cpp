#include "framework/file_names.h"

#include <vector>

#include "framework/capabilities.h"
#include "framework/system_library.h"
#include "framework/wide_text.h"

namespace {

// The text of a name on Windows 95, 98 and Me; false when it has no exact form there.
bool TextOf(const std::wstring& name, std::string& text) {
  bool exact = false;
  text = AnsiFromWide(name, &exact);
  return exact;
}

// The generic rights of Windows 95, 98 and Me for the rights asked.
DWORD GenericRights(DWORD access) {
  constexpr DWORD kReads = FILE_READ_DATA | FILE_EXECUTE | READ_CONTROL | GENERIC_READ | GENERIC_EXECUTE;
  constexpr DWORD kWrites = FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | GENERIC_WRITE;
  return ((access & kReads) ? GENERIC_READ : 0) | ((access & kWrites) ? GENERIC_WRITE : 0);
}

}  // namespace

ScopedHandle CreateFileNamed(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  if (HasNtCalls())
    return ScopedHandle(::CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr));
  std::string text;
  if (!TextOf(path, text)) {
    ::SetLastError(ERROR_INVALID_NAME);
    return ScopedHandle();
  }
  return ScopedHandle(::CreateFileA(text.c_str(), GenericRights(access), share & ~FILE_SHARE_DELETE, nullptr,
                                    disposition, flags & ~FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

DWORD FileAttributesNamed(const std::wstring& path) {
  if (HasNtCalls()) return ::GetFileAttributesW(path.c_str());
  std::string text;
  return TextOf(path, text) ? ::GetFileAttributesA(text.c_str()) : INVALID_FILE_ATTRIBUTES;
}

HMODULE LoadLibraryNamed(const std::wstring& path, DWORD flags) {
  if (HasNtCalls()) return ::LoadLibraryExW(path.c_str(), nullptr, flags);
  std::string text;
  return TextOf(path, text) ? ::LoadLibraryExA(text.c_str(), nullptr, flags) : nullptr;
}

std::wstring ModuleFileNamed(HMODULE module) {
  if (HasNtCalls()) {
    std::vector<wchar_t> path(32768);
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    return length > 0 && length < path.size() ? std::wstring(path.data(), length) : std::wstring();
  }
  char text[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameA(module, text, MAX_PATH);
  return length > 0 && length < MAX_PATH ? WideFromAnsi(std::string(text, length)) : std::wstring();
}

bool CreateProcessNamed(const std::wstring& application, const std::wstring& commandLine, const std::wstring& folder,
                        DWORD flags, PROCESS_INFORMATION& process) {
  if (HasNtCalls()) {
    using CreateProcessWFn = BOOL(WINAPI*)(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                                           LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);
    // Found at run time: Windows 95 may lack even its stub.
    static const auto createProcess = SystemFunctionAs<CreateProcessWFn>("kernel32.dll", "CreateProcessW");
    if (!createProcess) return false;
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return createProcess(application.empty() ? nullptr : application.c_str(), &line[0], nullptr, nullptr, FALSE, flags,
                         nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process) != FALSE;
  }
  std::string applicationText, line, folderText;
  if (!TextOf(application, applicationText) || !TextOf(commandLine, line) || !TextOf(folder, folderText)) return false;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  return ::CreateProcessA(applicationText.empty() ? nullptr : applicationText.c_str(), &line[0], nullptr, nullptr,
                          FALSE, flags, nullptr, folderText.empty() ? nullptr : folderText.c_str(), &startup,
                          &process) != FALSE;
}

std::wstring CommandLineNamed() {
  if (HasNtCalls()) {
    using GetCommandLineFn = LPWSTR(WINAPI*)();
    static const auto getCommandLine = SystemFunctionAs<GetCommandLineFn>("kernel32.dll", "GetCommandLineW");
    const wchar_t* line = getCommandLine ? getCommandLine() : nullptr;
    return line ? line : L"";
  }
  const char* line = ::GetCommandLineA();
  return line ? WideFromAnsi(line) : std::wstring();
}

std::wstring FullPathNamed(const std::wstring& path) {
  if (HasNtCalls()) {
    using GetFullPathFn = DWORD(WINAPI*)(LPCWSTR, DWORD, LPWSTR, LPWSTR*);
    static const auto getFullPath = SystemFunctionAs<GetFullPathFn>("kernel32.dll", "GetFullPathNameW");
    std::vector<wchar_t> full(32768);
    const DWORD length = getFullPath ? getFullPath(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr) : 0;
    return length > 0 && length < full.size() ? std::wstring(full.data(), length) : std::wstring();
  }
  std::string text;
  char full[MAX_PATH] = {};
  if (!TextOf(path, text)) return std::wstring();
  const DWORD length = ::GetFullPathNameA(text.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? WideFromAnsi(std::string(full, length)) : std::wstring();
}

std::wstring ShortPathNamed(const std::wstring& path) {
  if (HasNtCalls()) {
    using GetShortPathFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
    static const auto getShortPath = SystemFunctionAs<GetShortPathFn>("kernel32.dll", "GetShortPathNameW");
    std::vector<wchar_t> shortPath(32768);
    const DWORD length = getShortPath ? getShortPath(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size())) : 0;
    return length > 0 && length < shortPath.size() ? std::wstring(shortPath.data(), length) : std::wstring();
  }
  std::string text;
  char shortPath[MAX_PATH] = {};
  if (!TextOf(path, text)) return std::wstring();
  const DWORD length = ::GetShortPathNameA(text.c_str(), shortPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? WideFromAnsi(std::string(shortPath, length)) : std::wstring();
}

std::wstring SystemDirectoryNamed() {
  if (HasNtCalls()) {
    // Found at run time: no load-time import that Windows 95 may lack.
    using GetFolderFn = UINT(WINAPI*)(LPWSTR, UINT);
    static const auto getFolder = SystemFunctionAs<GetFolderFn>("kernel32.dll", "GetSystemDirectoryW");
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = getFolder ? getFolder(folder, MAX_PATH) : 0;
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
  }
  char folder[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? WideFromAnsi(std::string(folder, length)) : std::wstring();
}
