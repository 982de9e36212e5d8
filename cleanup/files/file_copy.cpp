#include "cleanup/files/file_copy.h"

#include "cleanup/files/removal.h"
#include "framework/file_names.h"

bool CopyJudgedFile(const CJudgedFile& file, const ApprovedPath& target) {
  constexpr size_t kLargestCompanion = 64u << 20;
  std::string bytes;
  if (!target.IsApproved() || !file.Read(bytes, kLargestCompanion)) return false;
  const RemovalResult cleared = RemovePath(target, kRemoveNow);
  if (cleared != RemovalResult::Removed && cleared != RemovalResult::Missing) return false;
  const ScopedHandle copy = CreateFileNamed(target.Wide(), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
  DWORD written = 0;
  return copy.IsValid() && ::WriteFile(copy.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}
