// Stand-in for the system help viewer "hh.exe": started with a help file on its command line,
// it stays up (a hidden window) until it is closed, killed, or its lifetime is over.
//   hh.exe <help file> [--lifetime-ms N]
// Log lines (see ../README.md): "<pid> start <whole command line>", "<pid> close", "<pid> exit".
#include <windows.h>

#include "client-main/stand_in_window.h"

namespace {

LRESULT CALLBACK ViewerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      stand_in::LogEvent("close");
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window, msg, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  stand_in::LogEvent(std::string("start ") + ::GetCommandLineA());
  WNDCLASSA wc = {};
  wc.lpfnWndProc = &ViewerProc;
  wc.hInstance = instance;
  wc.lpszClassName = "SampleHelpViewer";
  ::RegisterClassA(&wc);
  if (!::CreateWindowA(wc.lpszClassName, "Help", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                       nullptr, instance, nullptr)) {
    stand_in::LogEvent("no window");
    return 3;
  }
  const bool ended = stand_in::RunMessageLoop(nullptr, stand_in::LifetimeMs(__argc, __argv));
  stand_in::LogEvent(ended ? "exit" : "lifetime over");
  return ended ? 0 : 4;
}
