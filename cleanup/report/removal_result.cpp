#include "cleanup/report/removal_result.h"

RemovalResult ResultOfError(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return RemovalResult::Removed;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return RemovalResult::Missing;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
      return RemovalResult::InUse;
    case ERROR_DELETE_PENDING:
      return RemovalResult::DeletePending;
    case ERROR_DIR_NOT_EMPTY:
      return RemovalResult::NotEmpty;
    case kErrorStepNotInTree:
      return RemovalResult::Changed;
    default:
      return RemovalResult::Failed;
  }
}

const char* RemovalResultText(RemovalResult result) {
  switch (result) {
    case RemovalResult::Removed: return "removed";
    case RemovalResult::Missing: return "missing";
    case RemovalResult::InUse: return "left: in use";
    case RemovalResult::DeletePending: return "left: delete pending";
    case RemovalResult::NotEmpty: return "left: not empty";
    case RemovalResult::Refused: return "left: refused by the path rule";
    case RemovalResult::Changed: return "left: not the object listed, so never touched";
    case RemovalResult::LinkKept: return "left: a link the system cannot remove alone";
    case RemovalResult::Failed: return "left";
    case RemovalResult::AtRestart: return "left: removed at restart";
  }
  return "left";
}
