// The Windows NT native file calls the program works with open files and folders through, bound at
// run time from ntdll (Windows 95, 98 and Me have none), and what they tell about an open handle:
// the path of the object it reached, as the file system names it.
#pragma once
#include <windows.h>
#include <winternl.h>

#include <string>

namespace nt {

constexpr LONG kStatusBufferOverflow = static_cast<LONG>(0x80000005L);
constexpr LONG kStatusNoMoreFiles = static_cast<LONG>(0x80000006L);
constexpr LONG kStatusInvalidInfoClass = static_cast<LONG>(0xC0000003L);
constexpr LONG kStatusInvalidParameter = static_cast<LONG>(0xC000000DL);
constexpr LONG kStatusNoSuchFile = static_cast<LONG>(0xC000000FL);
constexpr LONG kStatusAccessDenied = static_cast<LONG>(0xC0000022L);
constexpr LONG kStatusObjectNameNotFound = static_cast<LONG>(0xC0000034L);
constexpr LONG kStatusObjectPathNotFound = static_cast<LONG>(0xC000003AL);
constexpr LONG kStatusSharingViolation = static_cast<LONG>(0xC0000043L);
constexpr LONG kStatusFileLockConflict = static_cast<LONG>(0xC0000054L);
constexpr LONG kStatusDeletePending = static_cast<LONG>(0xC0000056L);
constexpr LONG kStatusNotSupported = static_cast<LONG>(0xC00000BBL);
constexpr LONG kStatusDirectoryNotEmpty = static_cast<LONG>(0xC0000101L);
constexpr LONG kStatusCannotDelete = static_cast<LONG>(0xC0000121L);

constexpr FILE_INFORMATION_CLASS kFileBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(3);
constexpr FILE_INFORMATION_CLASS kFileBasicInformation = static_cast<FILE_INFORMATION_CLASS>(4);
constexpr FILE_INFORMATION_CLASS kFileInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
constexpr FILE_INFORMATION_CLASS kFileNameInformation = static_cast<FILE_INFORMATION_CLASS>(9);
constexpr FILE_INFORMATION_CLASS kFileDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
constexpr FILE_INFORMATION_CLASS kFileIdBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(37);
// FILE_OPEN_REPARSE_POINT came with the reparse points of Windows 2000.
constexpr ULONG kOpenReparsePoint = 0x00200000;

// The calls, looked up once; all null on Windows 95, 98 and Me.
struct FileCalls {
  using CreateFileFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                    ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
  using QueryDirectoryFn = LONG(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                        FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);
  using InformationFn = LONG(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
  using StatusToErrorFn = ULONG(NTAPI*)(LONG);
  using EqualNamesFn = BOOLEAN(NTAPI*)(PCUNICODE_STRING, PCUNICODE_STRING, BOOLEAN);

  CreateFileFn createFile = nullptr;
  QueryDirectoryFn queryDirectory = nullptr;
  InformationFn queryInformation = nullptr;
  InformationFn setInformation = nullptr;
  StatusToErrorFn statusToError = nullptr;
  EqualNamesFn equalNames = nullptr;

  FileCalls();
  bool Available() const {
    return createFile && queryDirectory && queryInformation && setInformation && statusToError && equalNames;
  }
};

const FileCalls& Calls();

// Fails with the system's error for a native status, so callers read GetLastError as usual.
bool Succeeded(LONG status);

// The final path of an open file or folder ("C:\..." or "\\host\share\..."), links resolved, in
// UTF-16 (never a best-fit text); empty where the system cannot tell (before Windows Vista).
std::wstring FinalPathOf(HANDLE handle);
// Whether this system tells final paths (Windows Vista on).
bool TellsFinalPaths();
// Whether this system tells what an open handle reached (its path on the volume, its identity): the
// Windows NT family. Windows 95, 98 and Me have no links either, so there a name leads to itself.
inline bool TellsWhatHandlesReach() { return Calls().Available(); }

// Whether two names or paths are the same to the file system (case-insensitive, as it compares).
bool SameFileName(const std::wstring& one, const std::wstring& other);

// Whether the open handle reached the object at path itself ("C:\dir\name", exact): its final path
// is path; before Windows Vista, its path on the volume is path's below the drive. False for an
// object reached through a link or a mapped drive on the way.
bool IsOpenedAs(HANDLE handle, const std::wstring& path);

}  // namespace nt
