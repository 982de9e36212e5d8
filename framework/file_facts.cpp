#include "framework/file_facts.h"

#include <cstring>
#include <vector>

#include "framework/native_files.h"

namespace {

FileId IdOf(const LARGE_INTEGER& index) { return FileId{static_cast<DWORD>(index.HighPart), index.LowPart}; }

// Everything in one question (FILE_ALL_INFORMATION, laid out by the system's ABI: the attributes at
// byte 32, the number of links at 56, the file index at 64, the name's length and name from 96).
bool ReadAll(HANDLE handle, FileFacts& facts) {
  constexpr FILE_INFORMATION_CLASS kFileAllInformation = static_cast<FILE_INFORMATION_CLASS>(18);
  constexpr size_t kAttributes = 32, kLinks = 56, kIndex = 64, kNameLength = 96, kName = 100;
  std::vector<char> buffer(kName + 512 * sizeof(WCHAR));
  for (int attempt = 0; attempt < 2; ++attempt) {
    IO_STATUS_BLOCK io = {};
    const LONG status = nt::Calls().queryInformation(handle, &io, buffer.data(), static_cast<ULONG>(buffer.size()),
                                                     kFileAllInformation);
    ULONG nameLength = 0;
    std::memcpy(&nameLength, buffer.data() + kNameLength, sizeof(nameLength));
    if (status >= 0 && kName + nameLength <= buffer.size()) {
      LARGE_INTEGER index;
      std::memcpy(&facts.attributes, buffer.data() + kAttributes, sizeof(facts.attributes));
      std::memcpy(&facts.links, buffer.data() + kLinks, sizeof(facts.links));
      std::memcpy(&index, buffer.data() + kIndex, sizeof(index));
      facts.id = IdOf(index);
      facts.volumePath.assign(reinterpret_cast<const WCHAR*>(buffer.data() + kName), nameLength / sizeof(WCHAR));
      return !facts.volumePath.empty();
    }
    if (status != nt::kStatusBufferOverflow) return false;
    buffer.resize(kName + nameLength + sizeof(WCHAR));
  }
  return false;
}

// The file index and the attributes alone: GetFileInformationByHandle asks the volume for its
// serial number as well, which costs more than both (under Wine several times more).
bool ReadIdentityAndAttributes(HANDLE handle, FileFacts& facts) {
  LARGE_INTEGER index = {};
  IO_STATUS_BLOCK io = {};
  if (!nt::Succeeded(nt::Calls().queryInformation(handle, &io, &index, sizeof(index), nt::kFileInternalInformation)))
    return false;
  struct {
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;
    ULONG fileAttributes;
  } basic = {};
  if (!nt::Succeeded(nt::Calls().queryInformation(handle, &io, &basic, sizeof(basic), nt::kFileBasicInformation)))
    return false;
  facts.id = IdOf(index);
  facts.attributes = basic.fileAttributes;
  return true;
}

}  // namespace

bool ReadFileFacts(HANDLE handle, FactsWanted wanted, FileFacts& facts) {
  facts = FileFacts();
  if (nt::Calls().Available())
    return wanted == FactsWanted::All ? ReadAll(handle, facts) : ReadIdentityAndAttributes(handle, facts);
  // Windows 95, 98 and Me: no path on the volume to tell, and no second name of a file.
  BY_HANDLE_FILE_INFORMATION info = {};
  if (wanted == FactsWanted::All || !::GetFileInformationByHandle(handle, &info)) return false;
  facts.id = FileId{info.nFileIndexHigh, info.nFileIndexLow};
  facts.attributes = info.dwFileAttributes;
  facts.links = info.nNumberOfLinks;
  return true;
}
