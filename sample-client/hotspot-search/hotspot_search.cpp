// Stand-in for the client's hotspot-search tool: a "#32770" dialog titled "热点查询" (hotspot
// query, GBK in the ANSI title) that ends when it receives the registered message
// "Qovra_INNEREXITMSG".
//   HotspotQuery.exe [--lifetime-ms N]
// Log lines (see ../README.md): "<pid> start", "<pid> window", "<pid> exit-message",
// "<pid> close", "<pid> exit".
#include <windows.h>

#include "client-main/stand_in_window.h"

namespace {

const char kTitle[] = "\xC8\xC8\xB5\xE3\xB2\xE9\xD1\xAF";  // "热点查询" in GBK
UINT g_exitMessage = 0;

INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (g_exitMessage && msg == g_exitMessage) {
    stand_in::LogEvent("exit-message");
    ::DestroyWindow(window);
    return TRUE;
  }
  switch (msg) {
    case WM_CLOSE:
      stand_in::LogEvent("close");
      ::DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  stand_in::LogEvent("start");
  g_exitMessage = ::RegisterWindowMessageA("Qovra_INNEREXITMSG");
  HWND dialog = stand_in::CreateSystemDialog(&DialogProc, kTitle);
  if (!dialog) {
    stand_in::LogEvent("no window");
    return 3;
  }
  stand_in::LogEvent("window");
  const bool ended = stand_in::RunMessageLoop(dialog, stand_in::LifetimeMs(__argc, __argv));
  stand_in::LogEvent(ended ? "exit" : "lifetime over");
  return ended ? 0 : 4;
}
