// A file the elevated program uses: a companion it loads or starts, the copy it makes of one, a
// file it reads its settings from. The file is opened by its exact UTF-16 path (no text of the code
// page on the way, so no best-fit look-alike can name another file), and held, with every folder
// on its way, so that nobody may write, rename or delete it, or rename a folder above it, while it
// is used. It is judged through what was opened: the handle must have reached the path asked for
// itself (a link or a mapped drive on the way leads elsewhere: refused), and the owner and access
// list of the file and of each folder above it are read through their handles
// (cleanup/trust/file_security.h). Then that very object is loaded, started, copied or read. A file that
// is not there is never started.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "cleanup/trust/file_identity.h"
#include "cleanup/trust/file_security.h"
#include "framework/handles.h"
#include "framework/start_program.h"

// How a file is to be used, and what its refusal means for the run.
struct JudgedUse {
  FileUse use = FileUse::Run;
  // What the run does without it, added to the reason in the log ("nothing removed").
  std::string consequence;
  // Whether the file stays, with what belongs with it, for a later run once its folder is secured
  // (a copy the program made itself need not).
  bool keptForALaterRun = true;
  // The identity a listing gave it: another object by that name is not used (Changed).
  FileId listed;
};

class CJudgedFile {
public:
  // Opens and judges the file at path (exact, as the file system names it) for its use, where this
  // process really reaches it (framework/system_folder.h): Path() names that place.
  static CJudgedFile Open(const std::wstring& path, FileUse use = FileUse::Run);
  // The one way the program takes a file into use: opened and judged as Open does; when it is there
  // but not usable, that is reported once (left for safety, or Changed for another object than the
  // listed one) and the file is not used. Missing is no report.
  static CJudgedFile ForUse(const std::wstring& path, const JudgedUse& how = JudgedUse());
  // The same for a file that the caller opens, through what it holds: open (tried again while
  // another program holds the file) reaches the file itself relative to the folders held, which are
  // heldFolders, the file's own first, each held against renaming; the folders above them are held
  // here. So the file a walk found is judged and used through the handles of that walk, never opened
  // again by its path.
  static CJudgedFile Adopt(const std::function<ScopedHandle()>& open, const std::wstring& path,
                           const std::vector<HeldObject>& heldFolders, const JudgedUse& how);

  CJudgedFile(CJudgedFile&&) = default;
  CJudgedFile& operator=(CJudgedFile&&) = default;
  CJudgedFile(const CJudgedFile&) = delete;
  CJudgedFile& operator=(const CJudgedFile&) = delete;

  // How long a file another program holds without sharing is waited for.
  static constexpr unsigned long kHeldWaitMs = 5000;
  static constexpr unsigned long kHeldPollMs = 100;

  bool Exists() const { return m_exists; }
  // Held by another program without sharing, longer than it was waited for: neither judged nor used.
  bool InUse() const { return m_inUse; }
  // There, the object listed, and trusted: what ForUse hands back to be used.
  bool Usable() const { return IsTrusted() && !m_changed; }
  // Opened, reached as itself, and only the trusted accounts could have changed it.
  bool IsTrusted() const { return m_verdict.trusted && m_file.IsValid(); }
  // Why it is not trusted, for the log ("<path>: another account may change it").
  const std::string& Why() const { return m_verdict.reason; }
  const std::wstring& Path() const { return m_path; }
  // The path as text of the system code page, for the log.
  std::string Text() const;
  // The identity of the file opened; unknown where the system gives none, and for an object a
  // link led to.
  FileId Id() const { return m_id; }

  // Loads the library, its own libraries found beside it or in the system folder; null unless
  // trusted. A module that loads as another file than this one is freed again at once: its start-up
  // code has run by then, but nothing of it is called.
  ScopedLibrary Load() const;
  // Starts the program: the exact file as the application, with arguments after its path (quoted
  // where it holds a blank). A batch file starts through the system's command interpreter with
  // its quoted path. Invalid unless trusted.
  ScopedHandle Start(const std::wstring& arguments, const std::wstring& folder, DWORD flags) const;
  // Starts it as launch says (its application and command line filled in as Start does), tied to
  // this process until released (framework/start_program.h).
  bool StartTied(CTiedProgram& program, const std::wstring& commandLine, const std::wstring& folder) const;
  // Reads the file's first bytes, at most limit, from the held handle. False unless trusted.
  bool Read(std::string& bytes, size_t limit) const;

private:
  CJudgedFile() = default;
  static CJudgedFile Judged(const std::function<ScopedHandle()>& open, const std::wstring& path,
                            const std::vector<HeldObject>& heldFolders, FileUse use);
  void ReportWhyNotUsable(const JudgedUse& how);
  ProgramLaunch LaunchOf(const std::wstring& arguments, const std::wstring& folder, DWORD flags) const;

  std::wstring m_path;
  ScopedHandle m_file;
  std::vector<ScopedHandle> m_way;  // the folders above it, held
  FileId m_id;
  TrustVerdict m_verdict{false, std::string()};
  bool m_exists = false;
  bool m_changed = false;  // another object than the one listed
  bool m_inUse = false;    // another program held it without sharing it, longer than it was waited for
  std::string m_holders;   // which programs held it, where the system can tell ("another program" else)
};

// The companion file called name beside the running program, in its real folder.
std::wstring CompanionPath(const wchar_t* name);
