#include "procedures/own_files.h"

#include <windows.h>

#include "framework/file_names.h"
#include "framework/own_program.h"
#include "framework/path_text.h"
#include "framework/wide_text.h"

namespace {
// The short form of an existing path; the path itself where the system gives none.
std::wstring ShortForm(const std::string& path) {
  const std::wstring wide = WideFromAnsi(path), shortPath = ShortPathNamed(wide);
  return shortPath.empty() ? wide : shortPath;
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
  return SameFoldedAscii(ShortForm(own.path), ShortForm(path));
}
