// Drives Uninstall.exe the way a person would, for the end-to-end tests and the demo: starts it,
// waits for each of its windows, reads what they say, sets the two check boxes, presses the
// buttons and answers the questions, optionally saving a picture of each window, and waits for
// the program to end. Every window it meets is written to standard output, one line each:
//   window <kind> "<title>" | "<text>" | ...
//
//   driver.exe --exe PATH [--dir WORKDIR] [--keep-driver 0|1] [--keep-data 0|1] [--cancel]
//              [--close-client yes|no] [--final yes|no] [--shots FOLDER] [--timeout SECONDS] [--keys]
//              [--args "ARGUMENTS"] [--start "COMMAND LINE"]
// --args passes arguments to the program. --start runs that command line instead, the way users
// and deployment tools start the program (Wine's Add/Remove Programs tool, an entry's silent
// command): the program driven is then the process of --exe's file name that it starts. Any other visible window of the program is reported
// as "window other", so a run that must show nothing can be checked.
// With --keys every answer is typed instead of clicked: Enter on the button that has the focus
// (the confirmation's OK, a question's Yes), Tab first to reach No, Escape to cancel.
// Exit code: the uninstaller's exit code, or 90 when it did not end in time, 91 on bad usage,
// 92 when it could not be started.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "../common/process_list.h"

namespace {

struct Options {
  std::string exe, dir, shots, args, start;
  int keepDriver = 1, keepData = 1;
  bool cancel = false;
  bool closeClient = true, finalYes = true;
  bool keys = false;
  DWORD timeoutMs = 180000;
};

struct Found {
  DWORD pid;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
  Found& f = *reinterpret_cast<Found*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == f.pid && ::IsWindowVisible(hwnd)) f.windows.push_back(hwnd);
  return TRUE;
}

// The window's text in the system code page, read from what the system keeps for the window:
// a WM_GETTEXT sent to the uninstaller can be lost under Wine, and then even a time-out does not
// end the wait. Nothing the driver does waits on the uninstaller's answer.
std::string TextOf(HWND hwnd) {
  wchar_t wide[2048] = {};
  const int length = ::InternalGetWindowText(hwnd, wide, 2048);
  char text[4096] = {};
  if (length > 0) ::WideCharToMultiByte(CP_ACP, 0, wide, length, text, sizeof(text) - 1, nullptr, nullptr);
  std::string s = text;
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Children(HWND hwnd) {
  std::vector<HWND> out;
  ::EnumChildWindows(hwnd, &CollectChild, reinterpret_cast<LPARAM>(&out));
  return out;
}

// Saves the window as it shows on the screen as a 24-bit BMP file.
void SaveShot(HWND hwnd, const std::string& path) {
  RECT r;
  if (!::GetWindowRect(hwnd, &r)) return;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ::SelectObject(mem, old);
  BITMAPINFOHEADER bi = {};
  bi.biSize = sizeof(bi);
  bi.biWidth = w;
  bi.biHeight = h;
  bi.biPlanes = 1;
  bi.biBitCount = 24;
  const DWORD stride = ((w * 3) + 3) & ~3u;
  std::vector<BYTE> pixels(stride * h);
  ::GetDIBits(mem, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
  BITMAPFILEHEADER bf = {};
  bf.bfType = 0x4D42;
  bf.bfOffBits = sizeof(bf) + sizeof(bi);
  bf.bfSize = bf.bfOffBits + static_cast<DWORD>(pixels.size());
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&bf, sizeof(bf), 1, f);
    std::fwrite(&bi, sizeof(bi), 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    std::fclose(f);
  }
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
}

void Click(HWND dialog, int id) {
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// Types keys into the window the way a person does: it is brought to the front first.
void Type(HWND window, std::initializer_list<WORD> keys) {
  ::SetForegroundWindow(window);
  for (int i = 0; i < 100 && ::GetForegroundWindow() != window; ++i) ::Sleep(20);
  std::vector<INPUT> input;
  for (WORD key : keys)
    for (DWORD flags : {0ul, static_cast<unsigned long>(KEYEVENTF_KEYUP)}) {
      INPUT one = {};
      one.type = INPUT_KEYBOARD;
      one.ki.wVk = key;
      one.ki.dwFlags = flags;
      input.push_back(one);
    }
  ::SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

// Answers a window with a button: clicked, or typed as described at the top.
void Answer(HWND window, int id, bool keys) {
  if (!keys) {
    Click(window, id);
  } else if (id == IDCANCEL) {
    Type(window, {VK_ESCAPE});
  } else if (id == IDNO) {
    Type(window, {VK_TAB, VK_RETURN});
  } else {
    Type(window, {VK_RETURN});
  }
}

// The process started and the program driven: the same process, or the one that the started
// command line (a launcher) starts in turn, found by its file name. Owns every handle.
class ProgramStarted {
public:
  explicit ProgramStarted(const PROCESS_INFORMATION& started)
      : m_started(started), m_program(started.hProcess), m_programId(started.dwProcessId) {}
  ~ProgramStarted() {
    if (m_program != m_started.hProcess) ::CloseHandle(m_program);
    ::CloseHandle(m_started.hThread);
    ::CloseHandle(m_started.hProcess);
  }
  ProgramStarted(const ProgramStarted&) = delete;
  ProgramStarted& operator=(const ProgramStarted&) = delete;

  // Waits until a process of that file name runs; false when the launcher ended or the time ran
  // out without one.
  bool FindByName(const std::string& exeName, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
      const DWORD pid = stand_in::FindProgramProcessId(exeName.c_str());
      if (pid == m_started.dwProcessId) return true;
      if (pid) {
        HANDLE h = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
        if (h) {
          m_program = h;
          m_programId = pid;
          return true;
        }
      }
      if (::WaitForSingleObject(m_started.hProcess, 50) == WAIT_OBJECT_0 || ::GetTickCount() - start > timeoutMs)
        return false;
    }
  }
  HANDLE Program() const { return m_program; }
  DWORD ProgramId() const { return m_programId; }
  // The launcher ends after the program; its code is written, as a launcher has its own.
  void WaitForLauncher(DWORD timeoutMs) const {
    if (m_program == m_started.hProcess) return;
    DWORD code = 0;
    if (::WaitForSingleObject(m_started.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
        ::GetExitCodeProcess(m_started.hProcess, &code))
      std::printf("launcher exit %lu\n", code);
    else
      std::printf("launcher still running\n");
  }

private:
  PROCESS_INFORMATION m_started;
  HANDLE m_program;
  DWORD m_programId;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--exe" && hasValue) o.exe = argv[++i];
    else if (a == "--dir" && hasValue) o.dir = argv[++i];
    else if (a == "--shots" && hasValue) o.shots = argv[++i];
    else if (a == "--args" && hasValue) o.args = argv[++i];
    else if (a == "--start" && hasValue) o.start = argv[++i];
    else if (a == "--keep-driver" && hasValue) o.keepDriver = std::atoi(argv[++i]);
    else if (a == "--keep-data" && hasValue) o.keepData = std::atoi(argv[++i]);
    else if (a == "--close-client" && hasValue) o.closeClient = std::string(argv[++i]) == "yes";
    else if (a == "--final" && hasValue) o.finalYes = std::string(argv[++i]) == "yes";
    else if (a == "--timeout" && hasValue) o.timeoutMs = static_cast<DWORD>(std::atoi(argv[++i])) * 1000;
    else if (a == "--cancel") o.cancel = true;
    else if (a == "--keys") o.keys = true;
    else return false;
  }
  return !o.exe.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr, "usage: driver.exe --exe PATH [--dir D] [--keep-driver 0|1] [--keep-data 0|1] [--cancel] "
                         "[--close-client yes|no] [--final yes|no] [--shots FOLDER] [--timeout SECONDS] [--keys] "
                         "[--args ARGUMENTS] [--start COMMAND]\n");
    return 91;
  }
  std::string dir = o.dir.empty() ? o.exe.substr(0, o.exe.rfind('\\')) : o.dir;
  std::string commandLine = "\"" + o.exe + "\"";
  if (!o.args.empty()) commandLine += " " + o.args;
  if (!o.start.empty()) commandLine = o.start;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
    std::fprintf(stderr, "driver: cannot start %s (%lu)\n", commandLine.c_str(), ::GetLastError());
    return 92;
  }
  ProgramStarted program(pi);
  if (!o.start.empty() && !program.FindByName(o.exe.substr(o.exe.rfind('\\') + 1), o.timeoutMs)) {
    std::printf("not started\n");
    return 92;
  }
  std::set<HWND> handled;
  bool progressSeen = false;
  int shot = 0;
  const DWORD start = ::GetTickCount();
  DWORD exitCode = 90;
  for (;;) {
    if (::WaitForSingleObject(program.Program(), 50) == WAIT_OBJECT_0) {
      ::GetExitCodeProcess(program.Program(), &exitCode);
      break;
    }
    if (::GetTickCount() - start > o.timeoutMs) {
      std::printf("timeout\n");
      ::TerminateProcess(program.Program(), 90);
      exitCode = 90;
      break;
    }
    Found found{program.ProgramId(), {}};
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&found));
    for (HWND w : found.windows) {
      if (handled.count(w)) continue;
      const bool confirm = ::GetDlgItem(w, 1047) && ::GetDlgItem(w, 1046);
      const bool progress = ::GetDlgItem(w, 1027) != nullptr;
      const bool yesNo = ::GetDlgItem(w, IDYES) && ::GetDlgItem(w, IDNO);
      const bool ok = ::GetDlgItem(w, IDOK) != nullptr;
      handled.insert(w);
      const char* kind = confirm ? "confirm" : progress ? "progress" : yesNo ? "question" : ok ? "message" : "other";
      // A picture waits a moment for the window to finish painting (the progress dialog for its
      // bar to move); without pictures nothing waits.
      if (!o.shots.empty()) ::Sleep(progress ? 1500 : 400);
      std::string line = std::string("window ") + kind + " \"" + TextOf(w) + "\"";
      for (HWND c : Children(w)) {
        const std::string t = TextOf(c);
        if (!t.empty() && ::IsWindowVisible(c)) line += " | \"" + t + "\"";
      }
      std::printf("%s\n", line.c_str());
      std::fflush(stdout);
      if (!o.shots.empty()) {
        char name[64];
        std::snprintf(name, sizeof(name), "\\%02d-%s.bmp", ++shot, kind);
        SaveShot(w, o.shots + name);
      }
      if (confirm) {
        // Posted like the answer after them, so the dialog's thread sets the boxes before it
        // takes the answer.
        ::PostMessageA(::GetDlgItem(w, 1047), BM_SETCHECK, o.keepDriver ? BST_CHECKED : BST_UNCHECKED, 0);
        ::PostMessageA(::GetDlgItem(w, 1046), BM_SETCHECK, o.keepData ? BST_CHECKED : BST_UNCHECKED, 0);
        Answer(w, o.cancel ? IDCANCEL : IDOK, o.keys);
      } else if (progress) {
        progressSeen = true;
      } else if (yesNo) {
        // Before the progress dialog the question is whether to close the running client.
        const bool yes = progressSeen ? o.finalYes : o.closeClient;
        Answer(w, yes ? IDYES : IDNO, o.keys);
      } else {
        Answer(w, IDOK, o.keys);
      }
    }
  }
  std::printf("exit %lu\n", exitCode);
  program.WaitForLauncher(60000);
  return static_cast<int>(exitCode);
}
