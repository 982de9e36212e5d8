#include "cleanup/trust/approved_path.h"

#include "framework/system_folder.h"

ApprovedPath ApprovedPath::Of(FixedFile file) {
  switch (file) {
    case FixedFile::DetectorCopy: return ApprovedPath(std::string(kDetectorCopyPath));
    case FixedFile::DetectorReport: return ApprovedPath(std::string(kDetectorReportPath));
    case FixedFile::FinishingProgramCopy: {
      const std::wstring systemFolder = SystemFolder();
      return systemFolder.empty() ? ApprovedPath() : ApprovedPath(systemFolder + L"\\Unl.exe");
    }
  }
  return ApprovedPath();
}
