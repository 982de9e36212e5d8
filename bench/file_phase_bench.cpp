// Benchmark, run under Wine: the uninstall's file phase (list the files, delete them, remove
// the folders deepest first, then the folder itself) on a generated installation of 10,000 files
// in 1,000 folders, against "cmd /c rd /s /q" on an identical tree. Prints both times and the
// ratio. Usage: bench_file_phase.exe [ROUNDS] [FOLDER]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cleanup/file_ops.h"
#include "cleanup/path_rule.h"
#include "cleanup/shell_notifier.h"
#include "procedures/worker_steps.h"

namespace {

const int kFolders = 1000;
const int kFilesPerFolder = 10;

// 10 top folders of 10 sub-folders of 10 sub-sub-folders... flattened to 1,000 folders three deep.
void MakeTree(const std::string& root) {
  ::CreateDirectoryA(root.c_str(), nullptr);
  const std::string payload(512, 'x');
  for (int i = 0; i < kFolders; ++i) {
    const std::string a = root + "\\d" + std::to_string(i / 100);
    const std::string b = a + "\\e" + std::to_string((i / 10) % 10);
    const std::string c = b + "\\f" + std::to_string(i % 10);
    ::CreateDirectoryA(a.c_str(), nullptr);
    ::CreateDirectoryA(b.c_str(), nullptr);
    ::CreateDirectoryA(c.c_str(), nullptr);
    for (int f = 0; f < kFilesPerFolder; ++f) {
      const std::string file = c + "\\file" + std::to_string(f) + ".dat";
      HANDLE h = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               f == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL, nullptr);
      DWORD written = 0;
      ::WriteFile(h, payload.data(), static_cast<DWORD>(payload.size()), &written, nullptr);
      ::CloseHandle(h);
    }
  }
}

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

// What the workers do to an installation folder: judged once and held, its files listed (phase 1)
// then deleted, its folders removed deepest first, then the folder itself (phase 3). Returns the
// seconds spent at the end waiting for the shell notifications still queued.
double FilePhase(const std::string& folder, const CPathRule& rule) {
  auto tree = std::make_unique<CApprovedTree>(rule.Approve(folder));
  std::vector<TreeEntry> files;
  ListFilesInTree(*tree, files);
  DeleteFilesExceptBrowser(*tree, files, OwnFiles());  // it resets the attributes itself
  RemoveFoldersExceptBrowser(*tree);
  RemoveInstallFolder(tree);
  LARGE_INTEGER t0, t1;
  ::QueryPerformanceCounter(&t0);
  FlushShellNotifications();  // the phase ends when the shell has been told of every removal
  ::QueryPerformanceCounter(&t1);
  return Seconds(t0, t1);
}

void RdSQ(const std::string& folder) {
  std::string cmd = "cmd /c rd /s /q \"" + folder + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return;
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
}

bool Exists(const std::string& p) { return ::GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int main(int argc, char** argv) {
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::string base = argc > 2 ? argv[2] : std::string(temp) + "bench_file_phase";
  ::CreateDirectoryA(base.c_str(), nullptr);
  // Gathered once per run by the workers too, before the file phase.
  const CPathRule rule = CPathRule::ForThisSystem();
  double ours = 0, rd = 0;
  for (int r = 0; r < rounds; ++r) {
    const std::string a = base + "\\ours", b = base + "\\rd";
    MakeTree(a);
    MakeTree(b);
    LARGE_INTEGER t0, t1, t2, t3;
    ::QueryPerformanceCounter(&t0);
    const double flush = FilePhase(a, rule);
    ::QueryPerformanceCounter(&t1);
    ::QueryPerformanceCounter(&t2);
    RdSQ(b);
    ::QueryPerformanceCounter(&t3);
    if (Exists(a)) std::printf("warning: the file phase left part of its tree\n");
    if (Exists(b)) std::printf("warning: rd /s /q left part of its tree\n");
    ours += Seconds(t0, t1);
    rd += Seconds(t2, t3);
    std::printf("round %d: file phase %.3f s (the last %.3f s waiting for the shell notifications), rd /s /q %.3f s\n",
                r + 1, Seconds(t0, t1), flush, Seconds(t2, t3));
  }
  ::RemoveDirectoryA(base.c_str());
  std::printf("file phase (%d files, %d folders): %.3f s on average\n", kFolders * kFilesPerFolder, kFolders,
              ours / rounds);
  std::printf("cmd /c rd /s /q on the same tree:  %.3f s on average\n", rd / rounds);
  std::printf("ratio file phase / rd: %.2f\n", rd > 0 ? ours / rd : 0.0);
  return 0;
}
