#include "procedures/own_files.h"

#include <windows.h>

#include "framework/own_program.h"
#include "framework/wide_text.h"

namespace {
// The short form of an existing path; the path itself where the system gives none.
std::string ShortForm(const std::string& path) {
  char shortPath[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(shortPath) : path;
}
}  // namespace

OwnFiles OwnFiles::OfThisProgram() {
  const std::wstring self = OwnProgramPath(), folder = OwnProgramFolder();
  OwnFiles own;
  if (!self.empty()) own.m_program = OwnFile{IdentityOfPath(self), AnsiFromWide(self)};
  if (folder.empty()) return own;
  for (auto* file : {&own.m_languagePack, &own.m_setupValues}) {
    const std::wstring path = folder + (file == &own.m_languagePack ? L"\\Language.xml" : L"\\Uninstall.bin");
    *file = OwnFile{IdentityOfPath(path), AnsiFromWide(path)};
  }
  return own;
}

bool OwnFiles::Same(const OwnFile& own, const FileId& id, const std::string& path) {
  if (own.path.empty()) return false;
  if (own.id.Known() && id.Known()) return own.id == id;
  return ::lstrcmpiA(ShortForm(own.path).c_str(), ShortForm(path).c_str()) == 0;
}
