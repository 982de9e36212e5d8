// One uninstall at a time on this machine: a named mutex held from early start-up until the
// process ends. A second uninstaller (a double click, a deployment tool beside the user) finds
// it held and does nothing. A run that was ended by force leaves the mutex abandoned, which the
// next run takes over.
#pragma once
#include <windows.h>

class CSingleRunGuard {
public:
  CSingleRunGuard() = default;
  ~CSingleRunGuard();
  CSingleRunGuard(const CSingleRunGuard&) = delete;
  CSingleRunGuard& operator=(const CSingleRunGuard&) = delete;

  // False when another uninstall holds the guard. A system that cannot make the mutex does not
  // stop the uninstall: true then.
  bool Acquire();
  bool Held() const { return m_held; }

private:
  HANDLE m_mutex = nullptr;
  bool m_held = false;
};
