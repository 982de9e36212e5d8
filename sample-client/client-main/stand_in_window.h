// What the windowed stand-ins share: a modeless "#32770" dialog made from a template in memory,
// the message loop that ends after a lifetime (so a stand-in a test forgot never lingers), and
// the log line prefix that tells concurrent instances apart.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <string>

#include "../common/stand_in_log.h"

namespace stand_in {

// The program's own file name without folder and extension: its log's name, so a copy under
// another name keeps a log of its own.
inline std::string OwnName() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  name = name.substr(name.rfind('\\') + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// Appends "<process id> <event>" to the program's log.
inline void LogEvent(const std::string& event) {
  AppendLog(OwnName().c_str(), std::to_string(::GetCurrentProcessId()) + " " + event);
}

// A visible top-level dialog of the system dialog class "#32770" with the given ANSI title.
inline HWND CreateSystemDialog(DLGPROC proc, const char* title) {
  struct alignas(4) Template {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title;
  } blank = {{WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 20, 20, 200, 60}, 0, 0, 0};
  HWND dialog = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), &blank.dialog, nullptr, proc, 0);
  if (dialog) {
    ::SetWindowTextA(dialog, title);
    ::ShowWindow(dialog, SW_SHOWNOACTIVATE);
  }
  return dialog;
}

// Runs the thread's messages until WM_QUIT or until lifetimeMs has passed; false on the latter.
inline bool RunMessageLoop(HWND dialog, UINT lifetimeMs) {
  const UINT_PTR lifetime = ::SetTimer(nullptr, 0, lifetimeMs, nullptr);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && !msg.hwnd && msg.wParam == lifetime) return false;
    if (dialog && ::IsWindow(dialog) && ::IsDialogMessageA(dialog, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return true;
}

// The number after "--lifetime-ms" among the arguments, else five minutes.
inline UINT LifetimeMs(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--lifetime-ms") return static_cast<UINT>(std::strtoul(argv[i + 1], nullptr, 10));
  return 300000;
}

}  // namespace stand_in
