// One uninstall at a time on this machine: a named mutex held from early start-up until the
// process ends. A second uninstaller (a double click, a deployment tool beside the user) finds
// it held and does nothing. A run that was ended by force leaves the mutex abandoned, which the
// next run takes over. Nobody but an administrator can keep the uninstall from running by making
// the mutex first: where the system has private namespaces (Windows Vista on) the mutex lives in
// one whose boundary is the Administrators group, which only an elevated administrator may create
// or open; before, it lives in the root of the object namespace, where only administrators and the
// system may make objects (no ordinary user can make it first, whatever access list they would give
// it). Only Windows 95, 98 and Me, which have no users to keep out, take the mutex by its name.
#pragma once
#include <windows.h>

class CSingleRunGuard {
public:
  CSingleRunGuard() = default;
  ~CSingleRunGuard();
  CSingleRunGuard(const CSingleRunGuard&) = delete;
  CSingleRunGuard& operator=(const CSingleRunGuard&) = delete;

  // False when another uninstall holds the guard. A system that cannot make the mutex, or a mutex
  // an ordinary user made, does not stop the uninstall: true then.
  bool Acquire();
  bool Held() const { return m_held; }

private:
  // The mutex in the administrators' private namespace; false where the system has none.
  bool CreateInPrivateNamespace();
  // The mutex in the root of the object namespace, where only administrators and the system may
  // make objects (the Windows NT family); false where it cannot be made there.
  bool CreateInObjectRoot();
  // The mutex by its global name; false when another run holds it in a way this one cannot even
  // open it. Only where neither of the routes above serves (Windows 95, 98 and Me).
  bool CreateByName();

  HANDLE m_namespace = nullptr;
  HANDLE m_mutex = nullptr;
  bool m_held = false;
};
