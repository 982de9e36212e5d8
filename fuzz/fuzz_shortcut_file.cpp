// Feeds arbitrary bytes to the shortcut file reader as each kind of shortcut and holds it to what it
// promises: it never reads outside the bytes (the sanitizers watch), and a target it finds holds no
// zero and is no longer than twice the bytes it came from (a path and its suffix may overlap).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cleanup/steps/shortcut_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (ShortcutKind kind : {ShortcutKind::LinkFile, ShortcutKind::ProgramInformation, ShortcutKind::InternetShortcut}) {
    const ShortcutTarget target = TargetOfShortcut(kind, bytes);
    if (target.ansi.find('\0') != std::string::npos || target.wide.find(L'\0') != std::wstring::npos) std::abort();
    if (target.ansi.size() > 2 * size + 1 || target.wide.size() > size) std::abort();
  }
  return 0;
}
