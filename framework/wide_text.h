// The one conversion point between the system code page (texts, the registry, the log, the pack)
// and UTF-16 (names as the file system holds them). Never best-fit: a character the code page has
// no form for is not silently turned into a look-alike.
#pragma once
#include <string>

// text of the system code page as UTF-16; text that is not valid in the code page converts with
// the system's replacement for each bad byte.
std::wstring WideFromAnsi(const std::string& text);

// wide as text of the system code page. lossless (when given) tells whether the text converts
// back to exactly wide: a name for which that is false must never be used to find the object,
// since it may name another.
std::string AnsiFromWide(const std::wstring& wide, bool* lossless = nullptr);
