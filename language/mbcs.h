// Walking multibyte text in the system's ANSI code page without splitting a double-byte character.
// The one system fact needed (which bytes lead a double-byte character) comes from MbCharLen,
// which has a Win32 body (the system code page) and a host body (GBK).
#pragma once

#include <cstddef>
#include <string>

#include "framework/path_text.h"

// Whether c can be the second byte of a double-byte character. No double-byte code page has one
// below 0x40, so a lead byte before "/", ".", ":" or the terminating zero stands alone and never
// hides them.
inline bool MbCanBeSecondByte(char c)
{
  return static_cast<unsigned char>(c) >= 0x40;
}

// Bytes of the character at p: 0 at the terminating zero, 2 when *p is a double-byte lead byte
// and p[1] can follow one, else 1.
int MbCharLen(const char* p);

// MbCharLen with bytes below 0x80 answered inline: no ANSI code page has a lead byte there.
inline int MbCharLenFast(const char* p)
{
  const unsigned char c = static_cast<unsigned char>(*p);
  if (c < 0x80)
    return c != 0 ? 1 : 0;
  return MbCharLen(p);
}

// The largest length <= maxBytes of the zero-terminated text that ends on a whole character.
inline size_t MbCutLength(const char* text, size_t maxBytes)
{
  size_t length = 0;
  for (;;) {
    const size_t step = static_cast<size_t>(MbCharLenFast(text + length));
    if (step == 0 || length + step > maxBytes)
      return length;
    length += step;
  }
}

// The text with its ASCII capitals lowered, double-byte characters whole (their second byte may
// look like a capital): how the program compares texts of the code page.
inline std::string FoldedAnsi(const std::string& text) { return FoldedAsciiText(text, &MbCharLenFast); }

// The length of the root of a path of the code page's text ("C:", "\host\share"), found by whole
// characters.
inline size_t AnsiRootLength(const std::string& path) { return RootLengthOf(path, &MbCharLenFast); }

// The offset of the last single-byte character c in text (a trail byte that happens to equal c,
// such as 0x5C "\" after a GBK lead byte, is not taken), or std::string::npos.
inline size_t MbFindLast(const char* text, char c)
{
  size_t found = static_cast<size_t>(-1);
  for (size_t i = 0;;) {
    const int step = MbCharLenFast(text + i);
    if (step == 0)
      return found;
    if (step == 1 && text[i] == c)
      found = i;
    i += static_cast<size_t>(step);
  }
}
