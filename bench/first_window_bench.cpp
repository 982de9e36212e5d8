// Benchmark, run under Wine: how long programs take from their start to their first visible
// window. Starts each program in turn (its own folder as working folder), so a change in the
// machine's load falls on all of them alike; looks every 2 ms for a visible top-level window of
// the new process, records the time, then ends the process. Prints every round and, per program
// in the order given, a line "median_ms=N" (milliseconds).
// Usage: bench_first_window.exe ROUNDS PROGRAM...
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const DWORD kPollMs = 2;
const DWORD kGiveUpMs = 30000;

struct VisibleWindowSearch {
  DWORD pid;
  bool found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<VisibleWindowSearch*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid != search.pid || !::IsWindowVisible(window)) return TRUE;
  search.found = true;
  return FALSE;
}

double MillisecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from CreateProcess to the first visible window, or a negative value when the
// program could not be started or showed nothing in time.
double TimeToFirstWindow(const std::string& program) {
  const std::string folder = program.substr(0, program.find_last_of('\\'));
  std::string commandLine = "\"" + program + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  LARGE_INTEGER start;
  ::QueryPerformanceCounter(&start);
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
    return -1;
  double elapsed = -1;
  VisibleWindowSearch search{pi.dwProcessId, false};
  while (MillisecondsSince(start) < kGiveUpMs) {
    ::EnumWindows(&FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      elapsed = MillisecondsSince(start);
      break;
    }
    if (::WaitForSingleObject(pi.hProcess, kPollMs) == WAIT_OBJECT_0) break;
  }
  ::TerminateProcess(pi.hProcess, 1);
  ::WaitForSingleObject(pi.hProcess, kGiveUpMs);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_first_window.exe ROUNDS PROGRAM...\n");
    return 2;
  }
  const int rounds = std::max(1, std::atoi(argv[1]));
  const int programs = argc - 2;
  std::vector<std::vector<double>> times(programs);
  for (int r = 0; r < rounds; ++r) {
    for (int p = 0; p < programs; ++p) {
      const double ms = TimeToFirstWindow(argv[2 + p]);
      if (ms < 0) {
        std::printf("round %d: %s showed no window\n", r + 1, argv[2 + p]);
        return 1;
      }
      std::printf("round %d: %s %.1f ms\n", r + 1, argv[2 + p], ms);
      times[p].push_back(ms);
    }
  }
  for (std::vector<double>& t : times) {
    std::sort(t.begin(), t.end());
    std::printf("median_ms=%.1f\n", t[t.size() / 2]);
  }
  return 0;
}
