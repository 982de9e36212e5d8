// "FileLocker.exe <file> <ready event> <stop event>": holds a file open for reading, sharing
// only reading (no write, no delete share), so nobody can delete or change it. Signals the ready
// event once the file is held and lets it go when the stop event is set, when it is killed, or
// after ten minutes at the latest. The events are named events created by the caller.
// Exit codes: 0 released, 2 bad arguments, 3 the file could not be opened, 4 ran out of time.
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE ready = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE stop = ::OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
  if (!ready || !stop) return 2;

  HANDLE file = ::CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  ::SetEvent(ready);
  const DWORD wait = ::WaitForSingleObject(stop, 10 * 60 * 1000);
  ::CloseHandle(file);
  ::CloseHandle(stop);
  ::CloseHandle(ready);
  return wait == WAIT_OBJECT_0 ? 0 : 4;
}
