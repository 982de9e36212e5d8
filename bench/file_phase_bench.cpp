// Benchmark, run under Wine: what the uninstall's files cost. The worker's work on an installation
// folder (its COM servers collected, its files listed and deleted, its folders removed deepest
// first, then the folder itself, until the shell has been told of every removal) against a plain
// program on an identical copy: it lists, deletes each file and removes each folder by its path, then
// tells the shell of each removal with the same flags (0x2001), all on one thread. Three shapes: one
// folder of 2,000 files, one of 20,000 (the growth between them should be linear), and a tree of
// 10,000 files in 1,000 folders (against "cmd /c rd /s /q" as well). Prints the milliseconds per file
// of each and, last, one line "file_summary ..." with the ratios.
// Usage: bench_file_phase.exe [ROUNDS] [FOLDER] [SHAPES] (SHAPES: the shapes' numbers, e.g. "02";
// all by default)
//        bench_file_phase.exe make SHAPE FOLDER   makes the shape (its number) in FOLDER, for the
//                                                 whole-run benchmark of scripts/bench.sh
//        bench_file_phase.exe plain FOLDER        removes FOLDER as the plain program does (the floor)
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cleanup/steps/com_unregister.h"
#include "cleanup/steps/file_ops.h"
#include "cleanup/trust/path_rule.h"
#include "cleanup/files/shell_notifier.h"
#include "procedures/worker_steps.h"

namespace {

struct Shape {
  const char* name;
  int folders;  // 0: the files lie in the folder itself
  int files;
};
const Shape kShapes[] = {{"one folder of 2,000 files", 0, 2000},
                         {"one folder of 20,000 files", 0, 20000},
                         {"a tree of 10,000 files in 1,000 folders", 1000, 10000}};

void WriteFile512(const std::string& file, DWORD attributes) {
  static const std::string payload(512, 'x');
  HANDLE h = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
  DWORD written = 0;
  ::WriteFile(h, payload.data(), static_cast<DWORD>(payload.size()), &written, nullptr);
  ::CloseHandle(h);
}

// The shape below root: the tree is 10 folders of 10 of 10, three deep; one file in ten read-only.
void Make(const std::string& root, const Shape& shape) {
  ::CreateDirectoryA(root.c_str(), nullptr);
  if (shape.folders == 0) {
    for (int f = 0; f < shape.files; ++f)
      WriteFile512(root + "\\file" + std::to_string(f) + ".dat", f % 10 == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    return;
  }
  const int perFolder = shape.files / shape.folders;
  for (int i = 0; i < shape.folders; ++i) {
    const std::string a = root + "\\d" + std::to_string(i / 100);
    const std::string b = a + "\\e" + std::to_string((i / 10) % 10);
    const std::string c = b + "\\f" + std::to_string(i % 10);
    ::CreateDirectoryA(a.c_str(), nullptr);
    ::CreateDirectoryA(b.c_str(), nullptr);
    ::CreateDirectoryA(c.c_str(), nullptr);
    for (int f = 0; f < perFolder; ++f)
      WriteFile512(c + "\\file" + std::to_string(f) + ".dat", f == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
  }
}

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

double Now() {
  LARGE_INTEGER zero = {}, now;
  ::QueryPerformanceCounter(&now);
  return Seconds(zero, now);
}

// When the last entry was removed, before the shell had been told of every removal.
double g_removedAt = 0;

// What the workers do to an installation folder: judged once and held, its COM servers collected
// and its files listed (phase 1), then its files deleted, its folders removed deepest first, then
// the folder itself (phase 3), until the shell has been told of every removal.
void WorkerFilePhase(const std::string& folder, const CPathRule& rule) {
  std::unique_ptr<CApprovedTree> tree = TreeOf(rule.Approve(folder));
  UnregisterComServers(*tree);
  std::vector<TreeEntry> files;
  ListFilesInTree(*tree, files);
  DeleteFilesExceptBrowser(*tree, files, OwnFiles());  // it resets the attributes itself
  RemoveFoldersExceptBrowser(*tree);
  RemoveInstallFolder(tree);
  g_removedAt = Now();
  FlushShellNotifications();
}

// A plain program: list, delete each file and remove each folder by its path (deepest first, a
// read-only file made writable first), then tell the shell of each removal.
void PlainRemoval(const std::string& folder) {
  std::vector<std::pair<LONG, std::string>> removed;
  struct Walker {
    std::vector<std::pair<LONG, std::string>>& removed;
    void Remove(const std::string& at) {
      WIN32_FIND_DATAA found;
      HANDLE search = ::FindFirstFileA((at + "\\*").c_str(), &found);
      std::vector<std::string> folders;
      if (search != INVALID_HANDLE_VALUE) {
        do {
          const std::string name = found.cFileName;
          if (name == "." || name == "..") continue;
          const std::string path = at + "\\" + name;
          if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            folders.push_back(path);
          } else {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (::DeleteFileA(path.c_str())) removed.emplace_back(SHCNE_DELETE, path);
          }
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
      }
      for (const std::string& sub : folders) Remove(sub);
      if (::RemoveDirectoryA(at.c_str())) removed.emplace_back(SHCNE_RMDIR, at);
    }
  } walker{removed};
  walker.Remove(folder);
  g_removedAt = Now();
  for (const auto& item : removed) ::SHChangeNotify(item.first, 0x2001, item.second.c_str(), nullptr);
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

// Milliseconds per file of one removal of a fresh copy of the shape.
template <typename Remove>
double PerFile(const std::string& folder, const Shape& shape, const char* who, Remove remove) {
  Make(folder, shape);
  const double start = Now();
  remove(folder);
  const double seconds = Now() - start;
  if (Exists(folder)) std::printf("warning: %s left part of its folder\n", who);
  if (g_removedAt > start)
    std::printf("  %s: removed after %.3f ms a file\n", who, 1000.0 * (g_removedAt - start) / shape.files);
  g_removedAt = 0;
  return 1000.0 * seconds / shape.files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "make") {
    const int shape = std::atoi(argv[2]);
    if (shape < 0 || shape > 2) return 2;
    Make(argv[3], kShapes[shape]);
    return 0;
  }
  if (argc == 3 && std::string(argv[1]) == "plain") {
    PlainRemoval(argv[2]);
    return Exists(argv[2]) ? 1 : 0;
  }
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
  const std::string base = argc > 2 ? argv[2] : std::string(temp) + "bench_file_phase";
  const std::string shapes = argc > 3 ? argv[3] : "012";
  ::CreateDirectoryA(base.c_str(), nullptr);
  // Gathered once per run by the workers too, before the file phase.
  const CPathRule rule = CPathRule::ForThisSystem();
  const std::string folder = base + "\\Client";
  double worker[3] = {}, plain[3] = {}, rd = 0;
  // Not counted: the first removals of a fresh prefix also start the shell's own machinery.
  std::printf("warm-up, not counted:\n");
  PerFile(folder, kShapes[0], "the worker", [&](const std::string& f) { WorkerFilePhase(f, rule); });
  PerFile(folder, kShapes[0], "the plain program", PlainRemoval);
  for (int r = 0; r < rounds; ++r) {
    for (int s = 0; s < 3; ++s) {
      const Shape& shape = kShapes[s];
      if (shapes.find(static_cast<char>('0' + s)) == std::string::npos) continue;
      const double ours = PerFile(folder, shape, "the worker", [&](const std::string& f) { WorkerFilePhase(f, rule); });
      const double theirs = PerFile(folder, shape, "the plain program", PlainRemoval);
      worker[s] += ours / rounds;
      plain[s] += theirs / rounds;
      std::printf("round %d, %s: the worker %.3f ms a file, the plain program %.3f ms a file", r + 1, shape.name, ours,
                  theirs);
      if (shape.folders) {
        const double byRd = PerFile(folder, shape, "rd /s /q", RdSQ);
        rd += byRd / rounds;
        std::printf(", rd /s /q %.3f ms a file", byRd);
      }
      std::printf("\n");
    }
  }
  ::RemoveDirectoryA(base.c_str());
  for (int s = 0; s < 3; ++s)
    std::printf("%s: the worker %.3f ms a file, the plain program %.3f ms a file (ratio %.2f)\n", kShapes[s].name,
                worker[s], plain[s], worker[s] / plain[s]);
  std::printf("growth of the worker's cost a file from 2,000 to 20,000 files in one folder: %.2f (1.00 is linear)\n",
              worker[1] / worker[0]);
  std::printf("file_summary flat20k_ratio=%.2f tree_ratio=%.2f flat_growth=%.2f tree_rd_ratio=%.2f\n",
              worker[1] / plain[1], worker[2] / plain[2], worker[1] / worker[0], worker[2] / rd);
  return 0;
}
