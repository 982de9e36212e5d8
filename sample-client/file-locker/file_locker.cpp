// "FileLocker.exe <file> <ready event> <stop event> [hold|exclusive|share-delete|load]": keeps a
// file from being deleted the way other programs do. hold (the default) opens it for reading,
// sharing only reading (no write, no delete share), so nobody can delete or change it; exclusive
// opens it sharing nothing, so nobody can even open it; share-delete opens it
// sharing everything, as a virus scanner or indexer does, so a deletion only marks it and it goes
// when the locker closes it; load maps it as a library, as a process that loaded a shell extension
// does. Signals the ready event once the file is held and lets it go when the stop event is set,
// when it is killed, or after ten minutes at the latest. The events are named events created by
// the caller. Exit codes: 0 released, 2 bad arguments, 3 the file could not be held, 4 ran out of
// time.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) return 2;
  const char* mode = argc == 5 ? argv[4] : "hold";
  HANDLE ready = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE stop = ::OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
  if (!ready || !stop) return 2;

  HANDLE file = INVALID_HANDLE_VALUE;
  HMODULE library = nullptr;
  if (std::strcmp(mode, "load") == 0) {
    library = ::LoadLibraryExA(argv[1], nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!library) return 3;
  } else {
    const DWORD share = std::strcmp(mode, "share-delete") == 0 ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                        : std::strcmp(mode, "exclusive") == 0  ? 0
                                                               : FILE_SHARE_READ;
    file = ::CreateFileA(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
  }
  ::SetEvent(ready);
  const DWORD wait = ::WaitForSingleObject(stop, 10 * 60 * 1000);
  if (library) ::FreeLibrary(library);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  ::CloseHandle(stop);
  ::CloseHandle(ready);
  return wait == WAIT_OBJECT_0 ? 0 : 4;
}
