// Small owners for Win32 handles: each closes what it owns exactly once, none can be copied.
// Borrowed handles are passed as plain HANDLE/HKEY/HDC and never closed.
#pragma once
#include <windows.h>
#include <utility>

// A kernel handle closed with CloseHandle. Both null and INVALID_HANDLE_VALUE mean "none".
class ScopedHandle {
public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE h) : m_h(h) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(ScopedHandle&& o) noexcept : m_h(o.Detach()) {}
  ScopedHandle& operator=(ScopedHandle&& o) noexcept { if (this != &o) { Close(); m_h = o.Detach(); } return *this; }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  HANDLE Get() const { return m_h; }
  bool IsValid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
  HANDLE Detach() { HANDLE h = m_h; m_h = nullptr; return h; }
  void Reset(HANDLE h = nullptr) { Close(); m_h = h; }
  void Close() { if (IsValid()) ::CloseHandle(m_h); m_h = nullptr; }

private:
  HANDLE m_h = nullptr;
};

// A find handle from FindFirstFile, closed with FindClose.
class ScopedFindHandle {
public:
  explicit ScopedFindHandle(HANDLE h) : m_h(h) {}
  ~ScopedFindHandle() { if (IsValid()) ::FindClose(m_h); }
  ScopedFindHandle(const ScopedFindHandle&) = delete;
  ScopedFindHandle& operator=(const ScopedFindHandle&) = delete;
  HANDLE Get() const { return m_h; }
  bool IsValid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }

private:
  HANDLE m_h;
};

// An open registry key, closed with RegCloseKey. Keys are opened one step of their path at a time
// and never through a registry link (framework/registry_key.cpp): a user who may add a key below one
// of the client's cannot have a link there lead the elevated program to another key.
class ScopedRegKey {
public:
  ScopedRegKey() = default;
  ~ScopedRegKey() { Close(); }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;

  // Opens or creates root\path with full access (a missing key and its parents are created).
  // ERROR_CANT_ACCESS_FILE when a step is a registry link.
  LONG Create(HKEY root, const char* path) { return OpenWithoutLinks(root, path, KEY_ALL_ACCESS, true); }
  // Opens an existing key; fails with ERROR_FILE_NOT_FOUND when it is missing, with
  // ERROR_CANT_ACCESS_FILE when a step is a registry link.
  LONG Open(HKEY root, const char* path, REGSAM access = KEY_READ) { return OpenWithoutLinks(root, path, access, false); }
  HKEY Get() const { return m_key; }
  void Close() { if (m_key) ::RegCloseKey(m_key); m_key = nullptr; }

private:
  LONG OpenWithoutLinks(HKEY root, const char* path, REGSAM access, bool create);
  HKEY m_key = nullptr;
};

// Whether a key opened as itself (REG_OPTION_OPEN_LINK) is a registry symbolic link.
bool IsRegistryLink(HKEY opened);

// A loaded module, freed with FreeLibrary.
class ScopedLibrary {
public:
  ScopedLibrary() = default;
  explicit ScopedLibrary(HMODULE h) : m_h(h) {}
  ~ScopedLibrary() { Reset(); }
  ScopedLibrary(ScopedLibrary&& o) noexcept : m_h(o.m_h) { o.m_h = nullptr; }
  ScopedLibrary& operator=(ScopedLibrary&& o) noexcept { if (this != &o) { Reset(o.m_h); o.m_h = nullptr; } return *this; }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;
  HMODULE Get() const { return m_h; }
  void Reset(HMODULE h = nullptr) { if (m_h) ::FreeLibrary(m_h); m_h = h; }

private:
  HMODULE m_h = nullptr;
};
