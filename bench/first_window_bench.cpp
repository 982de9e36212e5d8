// Benchmark, run under Wine: how long a program takes from its start to its first visible window.
// Starts the program (its own folder as working folder), looks every 2 ms for a visible top-level
// window of the new process, records the time, then ends the process. Prints every round and the
// median in milliseconds; the last line is "median_ms=N".
// Usage: bench_first_window.exe ROUNDS PROGRAM
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
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_first_window.exe ROUNDS PROGRAM\n");
    return 2;
  }
  const int rounds = std::max(1, std::atoi(argv[1]));
  std::vector<double> times;
  for (int r = 0; r < rounds; ++r) {
    const double ms = TimeToFirstWindow(argv[2]);
    if (ms < 0) {
      std::printf("round %d: no window\n", r + 1);
      return 1;
    }
    std::printf("round %d: %.1f ms\n", r + 1, ms);
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("median_ms=%.1f\n", times[times.size() / 2]);
  return 0;
}
