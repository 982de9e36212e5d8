// What a shortcut file says it leads to, read from the file's own format and nothing else (no shell
// object is asked, so no handler the shell would load for it runs with the uninstaller's rights):
// a shell link (".lnk"), a program information file (".pif") or an Internet shortcut (".url")
// whose address is a file.
#pragma once
#include <string>

enum class ShortcutKind { LinkFile, ProgramInformation, InternetShortcut };

// The kind of shortcut a file's name gives ("x.lnk", "X.PIF", "y.url"); false for any other name.
bool ShortcutKindOf(const std::wstring& name, ShortcutKind& kind);

// The target a shortcut file names: in UTF-16 where the file holds it so, else as text of the code
// page it was made in. With environment, it holds "%VARIABLE%"s to be expanded first.
struct ShortcutTarget {
  std::wstring wide;
  std::string ansi;
  bool environment = false;
  bool Known() const { return !wide.empty() || !ansi.empty(); }
};

// The most a shortcut file is read of: every target lies in its first bytes, and a larger file is
// no shortcut the client's installer made.
constexpr size_t kShortcutReadLimit = 64 * 1024;

// The file system target of the shortcut whose bytes are given; none (not Known) when they name
// none (a shell link to something else than a file, a web address, a malformed file).
ShortcutTarget TargetOfShortcut(ShortcutKind kind, const std::string& bytes);
