// What a newer Windows offers and an older one lacks. Each is found out by trying, once per run,
// where it is first needed (the version number alone does not tell: a file system or network
// redirector may reject what its Windows has), and an older route keeps the behaviour where it is
// missing. The tests switch capabilities off here to exercise those routes under Wine, which has
// them all; the shipped program never does.
#pragma once

enum class Capability {
  FileIdListing,    // folder listings that carry file ids (Windows XP on, most file systems)
  ShareDelete,      // FILE_SHARE_DELETE in a sharing mode (Windows NT)
  ProcessSnapshot,  // the Toolhelp process list (Windows 95 and 2000 on, not NT 4.0)
  ShellFolderPath,  // SHGetFolderPathA in SHELL32 (Windows Me and 2000 on)
  ShFolderLibrary,  // SHFOLDER.DLL, the shell folders' redistributable library
  OpenReparsePoint,  // opening a link itself rather than its target (Windows 2000 on; NT 4.0 has no links)
  DefaultDllDirectories,  // SetDefaultDllDirectories and the LOAD_LIBRARY_SEARCH flags (Windows 8 on, 7 updated)
  NtCalls,          // the calls of the Windows NT family: native file calls, file security, Unicode file names
  ElevatedTokens,   // tokens that tell an elevated administrator (Windows Vista on): Power Users are no
                    // administrators in waiting any more
  PrivateNamespaces,  // private object namespaces with a boundary (Windows Vista on)
  FolderHandles,    // working inside a folder through its open handle with the native calls (the
                    // Windows NT family); without, by path text, as on Windows 95, 98 and Me
};

// False once the capability was found missing or was switched off for a test; the caller then
// takes the older route.
bool MayUse(Capability capability);
// Records that trying the capability showed it missing: the rest of the run takes the older route.
void MarkMissing(Capability capability);

// The seam of the tests: the named capability counts as missing from now on.
void SwitchOffForTests(Capability capability);

// Whether this system has the calls of the Windows NT family (ntdll's native file calls, file
// security, the Unicode file functions); Windows 95, 98 and Me have none of them. Found once, by
// what the system exports rather than by its version, so a compatibility layer that makes an NT
// system report itself as Windows 95 switches off neither the security checks nor the restart
// queue of NT. Only the wrappers that own a difference of the two families ask it (the names of
// files, the native calls, file security, the restart queue, the runtime's own locks); everything
// else asks them.
bool HasNtCalls();

// Whether the system's tokens tell an elevated administrator from a limited one (Windows Vista
// on), found once by asking the process token.
bool HasElevatedTokens();
