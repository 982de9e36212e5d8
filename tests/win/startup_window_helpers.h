// Finding and reading the start-up windows (message boxes, the confirmation dialog) the way a
// person sees them: by process or thread, by control id, by their text as shown. Texts are read
// as UTF-16 and compared in UTF-8, so the test's own code page does not matter.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "framework/sync.h"
#include "support/test_support.h"

namespace startup_test {

constexpr DWORD kWindowWait = 30000;

inline std::string Utf8FromWide(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size,
                        nullptr, nullptr);
  return out;
}

// Text in a given code page (936 for GBK) as UTF-8.
inline std::string Utf8FromCodePage(const std::string& text, UINT codePage) {
  if (text.empty()) return std::string();
  const int size = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
  return Utf8FromWide(wide);
}

// The window's text as shown, read from what the system keeps for the window rather than asked
// of its program: a WM_GETTEXT sent to another process can be lost under Wine, and then even a
// time-out does not end the wait. Works for windows of any thread and process.
inline std::string WindowText(HWND hwnd) {
  wchar_t text[2048] = {};
  const int copied = ::InternalGetWindowText(hwnd, text, 2048);
  return Utf8FromWide(std::wstring(text, static_cast<size_t>(copied > 0 ? copied : 0)));
}

inline std::string ClassName(HWND hwnd) {
  char name[64] = {};
  ::GetClassNameA(hwnd, name, sizeof(name));
  return name;
}

struct DialogSearch {
  DWORD processId, threadId;
  std::vector<HWND> found;
};

inline BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM param) {
  DialogSearch& search = *reinterpret_cast<DialogSearch*>(param);
  DWORD pid = 0;
  const DWORD tid = ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == search.processId && (search.threadId == 0 || tid == search.threadId) &&
      ::IsWindowVisible(hwnd) && ClassName(hwnd) == "#32770")
    search.found.push_back(hwnd);
  return TRUE;
}

// Visible top-level dialog windows ("#32770") that belong to the process (and the thread, when
// one is given).
inline std::vector<HWND> VisibleDialogs(DWORD processId, DWORD threadId = 0) {
  DialogSearch search{processId, threadId, {}};
  ::EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The first visible dialog of the process (or thread), polled for; null when none came.
inline HWND WaitForDialog(DWORD processId, DWORD threadId = 0, DWORD timeoutMs = kWindowWait) {
  HWND dialog = nullptr;
  test::WaitUntil(
      [&] {
        const std::vector<HWND> found = VisibleDialogs(processId, threadId);
        dialog = found.empty() ? nullptr : found.front();
        return dialog != nullptr;
      },
      timeoutMs);
  return dialog;
}

// True for a static control that shows a picture: it keeps no font.
inline bool IsPictureStatic(HWND control) {
  const LONG type = ::GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK;
  return ClassName(control) == "Static" && (type == SS_BITMAP || type == SS_ICON);
}

// The controls of a dialog that show text, so the dialog's font applies to them.
inline std::vector<HWND> TextControls(HWND dialog) {
  std::vector<HWND> controls;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (!IsPictureStatic(child)) controls.push_back(child);
  return controls;
}

// The texts of a message box's static controls that say something (the icon has none).
inline std::vector<std::string> StaticTexts(HWND dialog) {
  std::vector<std::string> texts;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) != "Static") continue;
    const std::string text = WindowText(child);
    if (!text.empty()) texts.push_back(text);
  }
  return texts;
}

// Presses a button the way a click does (the dialog gets BN_CLICKED from the button).
inline void Click(HWND dialog, int id) {
  ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Puts the keyboard focus on a control of the dialog (from any thread or process) and presses
// a key there; the dialog's own message loop sees it as typed. Everything is posted, in order,
// so nothing waits on the dialog's answer.
inline void PressKeyOn(HWND dialog, int id, WPARAM key) {
  HWND control = ::GetDlgItem(dialog, id);
  ::PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  ::PostMessageA(control, WM_KEYDOWN, key, 1);
  ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

namespace detail {
// The one call waiting to run on a window's thread (tests ask one at a time).
struct PendingWindowCall {
  CCriticalSection lock;
  const std::function<void()>* call = nullptr;
  HWND window = nullptr;
  HANDLE done = nullptr;
};
inline PendingWindowCall& PendingCall() {
  static PendingWindowCall pending;
  return pending;
}
// Sees each message the window's thread takes from its queue; runs the pending call on the
// posted WM_NULL meant for it.
inline LRESULT CALLBACK RunPendingCall(int code, WPARAM removed, LPARAM message) {
  const MSG& msg = *reinterpret_cast<const MSG*>(message);
  if (code == HC_ACTION && removed == PM_REMOVE && msg.message == WM_NULL) {
    PendingWindowCall& pending = PendingCall();
    CCriticalSectionLock lock(pending.lock);
    if (pending.call && msg.hwnd == pending.window) {
      (*pending.call)();
      pending.call = nullptr;
      ::SetEvent(pending.done);
    }
  }
  return ::CallNextHookEx(nullptr, code, removed, message);
}
// A message hook, removed when the owner goes.
class ScopedHook {
public:
  explicit ScopedHook(HHOOK hook) : m_hook(hook) {}
  ~ScopedHook() {
    if (m_hook) ::UnhookWindowsHookEx(m_hook);
  }
  ScopedHook(const ScopedHook&) = delete;
  ScopedHook& operator=(const ScopedHook&) = delete;
  bool IsSet() const { return m_hook != nullptr; }

private:
  HHOOK m_hook;
};
}  // namespace detail

// Runs call on the thread of a window of this process, where the window's own answers
// (BM_GETCHECK, DM_GETDEFID) are plain calls instead of messages sent from another thread. The
// call rides on a posted WM_NULL that a message hook of that thread catches. False when it did
// not run within timeoutMs; it never runs after that.
inline bool CallOnWindowThread(HWND window, const std::function<void()>& call, DWORD timeoutMs = 10000) {
  detail::PendingWindowCall& pending = detail::PendingCall();
  const ScopedHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  {
    CCriticalSectionLock lock(pending.lock);
    pending.call = &call;
    pending.window = window;
    pending.done = done.Get();
  }
  const detail::ScopedHook hook(::SetWindowsHookExA(WH_GETMESSAGE, &detail::RunPendingCall, nullptr,
                                                    ::GetWindowThreadProcessId(window, nullptr)));
  const bool ran = hook.IsSet() && ::PostMessageA(window, WM_NULL, 0, 0) &&
                   ::WaitForSingleObject(done.Get(), timeoutMs) == WAIT_OBJECT_0;
  CCriticalSectionLock lock(pending.lock);
  pending.call = nullptr;
  return ran;
}

// The full path of a process's program, empty when it cannot be read.
inline std::string ProcessPath(DWORD processId) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
  if (snapshot == INVALID_HANDLE_VALUE) return std::string();
  MODULEENTRY32 module = {};
  module.dwSize = sizeof(module);
  std::string path;
  if (::Module32First(snapshot, &module)) path = module.szExePath;
  ::CloseHandle(snapshot);
  return path;
}

// The id of a running process started from exePath (compared without regard to case), polled
// for; 0 when none came.
inline DWORD WaitForProcess(const std::string& exePath, DWORD timeoutMs = kWindowWait) {
  DWORD found = 0;
  test::WaitUntil(
      [&] {
        HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return false;
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = ::Process32First(snapshot, &entry); more && !found;
             more = ::Process32Next(snapshot, &entry)) {
          if (::lstrcmpiA(ProcessPath(entry.th32ProcessID).c_str(), exePath.c_str()) == 0)
            found = entry.th32ProcessID;
        }
        ::CloseHandle(snapshot);
        return found != 0;
      },
      timeoutMs);
  return found;
}

// Starts a Windows program under Wine in another Unix locale, which sets the system language
// and ANSI code page of that process alone (zh_CN.UTF-8: 2052/936, en_US.UTF-8: 1033/1252,
// zh_TW.UTF-8: 1028/950). LC_ALL in a Windows environment block changes nothing, since Wine takes
// a new process's locale from the Unix environment; a Unix program started from here gets its
// Unix environment from the block, so the locale is set through /usr/bin/env. Its standard
// handles go to NUL, so it never holds the test's output open. No process handle comes back:
// find the process with WaitForProcess.
inline bool StartUnderLocale(const std::string& locale, const std::string& exePath,
                             const std::string& arguments = std::string()) {
  std::string commandLine = "/usr/bin/env LC_ALL=" + locale + " wine \"" + exePath + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE nul = ::CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inheritable, OPEN_EXISTING, 0, nullptr);
  if (nul == INVALID_HANDLE_VALUE) return false;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process = {};
  const BOOL started = ::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
  ::CloseHandle(nul);
  if (!started) return false;
  if (process.hThread) ::CloseHandle(process.hThread);
  if (process.hProcess) ::CloseHandle(process.hProcess);
  return true;
}

}  // namespace startup_test
