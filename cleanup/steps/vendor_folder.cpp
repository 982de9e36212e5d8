#include "cleanup/steps/vendor_folder.h"

#include <windows.h>

#include <vector>

#include "cleanup/files/open_folder.h"
#include "cleanup/files/removal.h"
#include "cleanup/report/run_report.h"
#include "cleanup/trust/file_identity.h"
#include "cleanup/trust/file_security.h"
#include "framework/path_text.h"
#include "framework/wide_text.h"

namespace {
constexpr int kMoveAttempts = 20;
constexpr DWORD kMovePauseMs = 100;
}  // namespace

std::unique_ptr<CVendorFolder> CVendorFolder::Above(const std::wstring& ownFolder, const CPathRule& rule) {
  if (ownFolder.empty()) return nullptr;
  const std::wstring above = FolderAbove(ownFolder);
  if (above.empty() || above.size() <= RootLength(above)) return nullptr;
  ApprovedPath vendor = rule.Approve(AnsiFromWide(above));
  ApprovedPath own = rule.Approve(AnsiFromWide(ownFolder));
  if (!vendor.IsApproved() || !own.IsApproved()) return nullptr;
  if (!JudgeWorkingFolder(vendor.Wide()).trusted || !JudgeWorkingFolder(own.Wide()).trusted) return nullptr;
  const std::unique_ptr<COpenFolder> folder = COpenFolder::Open(vendor.Wide());
  std::vector<FolderEntry> entries;
  if (!folder || !folder->List(entries) || entries.size() != 1 || !entries[0].IsFolder()) return nullptr;
  // A listing that carries no identities (Windows 2000) leaves the entry to be asked for its own.
  const FileId ownId = IdentityOfPath(own.Wide());
  const FileId entryId = entries[0].id.Known() ? entries[0].id : IdentityOfPath(folder->PathOf(entries[0].name));
  if (!ownId.Known() || !(entryId == ownId)) return nullptr;
  return std::unique_ptr<CVendorFolder>(new CVendorFolder(std::move(vendor), std::move(own)));
}

std::wstring CVendorFolder::PlaceInside(const std::wstring& ownProgram) const {
  const size_t slash = ownProgram.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : m_vendor.Wide() + ownProgram.substr(slash);
}

bool CVendorFolder::MoveProgramInAndRemoveItsFolder(const std::wstring& ownProgram) const {
  const std::wstring place = PlaceInside(ownProgram);
  // A program that looks at the running uninstaller (a scanner, the system's own loader) may hold
  // its file for a moment: the move is tried again for a short, bounded while.
  bool moved = false;
  for (int attempt = 0; !place.empty() && !moved && attempt < kMoveAttempts; ++attempt) {
    if (attempt) ::Sleep(kMovePauseMs);
    moved = ::MoveFileExW(ownProgram.c_str(), place.c_str(), 0) != FALSE;
  }
  if (!moved) {
    ReportStep("the uninstaller stays in its folder: it could not move up (error " + std::to_string(::GetLastError()) + ")");
    return false;
  }
  if (RemovePath(m_own, kRemoveNow) == RemovalResult::Removed) {
    ReportStep("the uninstaller moved up into " + AnsiFromWide(m_vendor.Wide()) + ", which goes with it");
    return true;
  }
  // Its folder still holds something: the uninstaller goes back, and the finishing program takes
  // that folder as it always did.
  ::MoveFileExW(place.c_str(), ownProgram.c_str(), 0);
  ReportStep("the uninstaller stays in its folder, which still holds something");
  return false;
}
