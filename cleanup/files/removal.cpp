#include "cleanup/files/removal.h"

#include <shlobj.h>

#include <vector>

#include "cleanup/files/restart_queue.h"
#include "cleanup/report/run_report.h"
#include "cleanup/files/shell_notifier.h"
#include "framework/path_text.h"
#include "framework/wide_text.h"

// The folders' raw removal, reached from here alone.
class CRawRemoval {
public:
  static RemovalResult Of(const COpenFolder& folder, const FolderEntry& entry) { return folder.RemoveEntry(entry); }
};

namespace {

// Whether a removal's result could change on a second try: the entry is still there.
bool LeftInPlace(RemovalResult result) {
  return result == RemovalResult::InUse || result == RemovalResult::DeletePending ||
         result == RemovalResult::NotEmpty || result == RemovalResult::Failed;
}

}  // namespace

bool QueueFolderKeptByQueued(const COpenFolder& folder, const FileId& alsoGoing) {
  if (!CRestartQueue::Instance().Any()) return false;
  std::vector<FolderEntry> inside;
  if (!folder.List(inside) || inside.empty()) return false;
  for (const FolderEntry& entry : inside)
    if (!(alsoGoing.Known() && entry.id == alsoGoing) && !CRestartQueue::Instance().IsQueued(folder, entry))
      return false;
  return CRestartQueue::Instance().QueueItself(folder);
}

RemovalResult RemoveEntry(const COpenFolder& folder, const FolderEntry& entry, const RemovalPolicy& policy,
                          CBatchedAnnouncements* batch) {
  RemovalResult result = CRawRemoval::Of(folder, entry);
  DWORD error = LeftInPlace(result) ? ::GetLastError() : ERROR_SUCCESS;
  if (LeftInPlace(result)) {
    const CShellNotifier::CQuiet quiet = CShellNotifier::Instance().WaitUntilQuiet();
    result = CRawRemoval::Of(folder, entry);
    error = LeftInPlace(result) ? ::GetLastError() : ERROR_SUCCESS;
  }
  if (entry.IsLink() && LeftInPlace(result)) result = RemovalResult::LinkKept;
  const std::wstring path = folder.PathOf(entry.name);
  if (policy.queueWhenLeft) {
    if (GoesAtRestart(result) && CRestartQueue::Instance().Queue(folder, entry)) result = RemovalResult::AtRestart;
    // A folder that only what goes at the restart keeps goes then too, after it.
    if (result == RemovalResult::NotEmpty && entry.IsFolder()) {
      const std::unique_ptr<COpenFolder> inside = folder.OpenChild(entry, false);
      if (inside && QueueFolderKeptByQueued(*inside)) result = RemovalResult::AtRestart;
    }
  }
  // A link that could not be removed without reaching what it points to keeps the client's folder:
  // it was left for safety.
  if (result == RemovalResult::LinkKept)
    ReportLeftForSafety(AnsiFromWide(path), "a link the system cannot remove alone; what it points to is not touched");
  else
    ReportRemoval(path, result, error);
  if (policy.announce && result != RemovalResult::Missing) {
    const LONG event = entry.IsDirectory() ? SHCNE_RMDIR : SHCNE_DELETE;
    if (batch)
      batch->Add(event, path);
    else
      CShellNotifier::Instance().Announce(event, path);
  }
  return result;
}

RemovalResult RemovePath(const ApprovedPath& path, const RemovalPolicy& policy, CBatchedAnnouncements* batch) {
  // The folder and the last step, split at the last separator (UTF-16: no character hides one).
  const std::wstring trimmed = WithoutTrailingSeparators(path.Wide());
  const size_t slash = trimmed.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash == 0 || slash + 1 >= trimmed.size()) return RemovalResult::Failed;
  const std::unique_ptr<COpenFolder> folder = COpenFolder::Open(trimmed.substr(0, slash));
  FolderEntry entry;
  if (!folder || !folder->Find(trimmed.substr(slash + 1), entry)) {
    RemovalResult result = ResultOfError(::GetLastError());
    if (result != RemovalResult::Missing) result = RemovalResult::Failed;
    ReportRemoval(trimmed, result);
    return result;
  }
  return RemoveEntry(*folder, entry, policy, batch);
}
