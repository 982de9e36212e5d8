#include "procedures/own_files.h"

#include <windows.h>

#include "framework/module_dir.h"

namespace {
// The short form of an existing path; the path itself where the system gives none.
std::string ShortForm(const std::string& path) {
  char shortPath[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(shortPath) : path;
}
}  // namespace

OwnFiles OwnFiles::OfThisProgram() {
  char self[512] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, self, sizeof(self));
  const std::string folder = ModuleDir();
  OwnFiles own;
  if (length > 0 && length < sizeof(self)) own.m_program = OwnFile{IdentityOfPath(self), self};
  for (auto* file : {&own.m_languagePack, &own.m_setupValues}) {
    file->path = folder + (file == &own.m_languagePack ? "\\Language.xml" : "\\Uninstall.bin");
    file->id = IdentityOfPath(file->path);
  }
  return own;
}

bool OwnFiles::Same(const OwnFile& own, const FileId& id, const std::string& path) {
  if (own.path.empty()) return false;
  if (own.id.Known() && id.Known()) return own.id == id;
  return ::lstrcmpiA(ShortForm(own.path).c_str(), ShortForm(path).c_str()) == 0;
}
