// Stand-in for the client's main program. It shows the window the uninstaller looks for and
// records what it is sent:
//   VUVizeduVidizi.exe [--frame | --dialog | --no-window] [--define NAME | --title TEXT]
//                      [--lang FILE] [--ignore-messages] [--hang] [--lifetime-ms N]
// --frame (default) makes a window of the client's frame class "Afx:400000:b:10011:6:b035d",
// --dialog a "#32770" dialog, --no-window none. The title is the define NAME (default
// PROGRAME_ENG_NAME) read from FILE (default Language.xml beside the program), or TEXT as given.
// Messages 0x0402 and 0x0401 are logged; 0x0401 and WM_CLOSE end the program unless
// --ignore-messages is given. --hang stops answering messages once the window is up.
// Log lines (see ../README.md): "<pid> start", "<pid> window <title>", "<pid> message 0x0402",
// "<pid> message 0x0401", "<pid> close", "<pid> hang", "<pid> exit".
#include <windows.h>

#include <cstdlib>
#include <string>

#include "client-main/stand_in_window.h"
#include "language/language_pack.h"

namespace {

const char kFrameClass[] = "Afx:400000:b:10011:6:b035d";
const UINT kStopMessage = WM_USER + 2;
const UINT kExitMessage = WM_USER + 1;

enum class WindowKind { kFrame, kDialog, kNone };

struct Options {
  WindowKind kind = WindowKind::kFrame;
  std::string define = "PROGRAME_ENG_NAME";
  std::string title;
  bool hasTitle = false;
  std::string languageFile;
  bool ignoreMessages = false;
  bool hang = false;
};

Options g_options;

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\'));
}

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--frame") o.kind = WindowKind::kFrame;
    else if (a == "--dialog") o.kind = WindowKind::kDialog;
    else if (a == "--no-window") o.kind = WindowKind::kNone;
    else if (a == "--define" && hasValue) o.define = argv[++i];
    else if (a == "--title" && hasValue) { o.title = argv[++i]; o.hasTitle = true; }
    else if (a == "--lang" && hasValue) o.languageFile = argv[++i];
    else if (a == "--ignore-messages") o.ignoreMessages = true;
    else if (a == "--hang") o.hang = true;
    else if (a == "--lifetime-ms" && hasValue) ++i;
    else return false;
  }
  return true;
}

std::string WindowTitle(const Options& o) {
  if (o.hasTitle) return o.title;
  std::string file = o.languageFile.empty() ? ProgramFolder() + "\\Language.xml" : o.languageFile;
  const size_t slash = file.rfind('\\');
  const std::string folder = slash == std::string::npos ? "." : file.substr(0, slash);
  const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  CLanguagePack pack;
  if (!pack.Load(folder.c_str(), name.c_str())) return std::string();
  return pack.GetDefine(o.define.c_str());
}

// The client's answers to the uninstaller; true when msg was one of them.
bool HandleClientMessage(HWND window, UINT msg) {
  switch (msg) {
    case kStopMessage:
      stand_in::LogEvent("message 0x0402");
      return true;
    case kExitMessage:
      stand_in::LogEvent("message 0x0401");
      if (!g_options.ignoreMessages) ::DestroyWindow(window);
      return true;
    case WM_CLOSE:
      stand_in::LogEvent("close");
      if (!g_options.ignoreMessages) ::DestroyWindow(window);
      return true;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK FrameProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (HandleClientMessage(window, msg)) return 0;
  return ::DefWindowProcA(window, msg, wParam, lParam);
}

INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  return HandleClientMessage(window, msg) ? TRUE : FALSE;
}

HWND CreateFrame(const std::string& title) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = &FrameProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kFrameClass;
  if (!::RegisterClassA(&wc)) return nullptr;
  HWND frame = ::CreateWindowA(kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40, 320, 200,
                               nullptr, nullptr, wc.hInstance, nullptr);
  if (frame) ::ShowWindow(frame, SW_SHOWNOACTIVATE);
  return frame;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const UINT lifetimeMs = stand_in::LifetimeMs(__argc, __argv);
  stand_in::LogEvent("start");
  if (!Parse(__argc, __argv, g_options)) {
    stand_in::LogEvent("bad arguments " + stand_in::Arguments());
    return 2;
  }

  HWND window = nullptr;
  if (g_options.kind != WindowKind::kNone) {
    const std::string title = WindowTitle(g_options);
    window = g_options.kind == WindowKind::kFrame ? CreateFrame(title)
                                                  : stand_in::CreateSystemDialog(&DialogProc, title.c_str());
    if (!window) {
      stand_in::LogEvent("no window");
      return 3;
    }
    stand_in::LogEvent("window " + title);
  }

  if (g_options.hang) {
    stand_in::LogEvent("hang");
    ::Sleep(lifetimeMs);
    return 4;
  }
  const bool ended = stand_in::RunMessageLoop(g_options.kind == WindowKind::kDialog ? window : nullptr, lifetimeMs);
  stand_in::LogEvent(ended ? "exit" : "lifetime over");
  return ended ? 0 : 4;
}
