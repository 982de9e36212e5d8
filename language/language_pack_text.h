// The language pack's rules that need no system call: the carriage-return escape, copying a
// text into a caller's buffer, and the language code a system gives before a pack is loaded.
#pragma once

#include <cstddef>
#include <string>

// Replaces every backslash followed by "r" with one carriage return (0x0D); nothing else is
// translated. The text is walked a whole character at a time, so the trail byte of a
// double-byte character (which may be 0x5C in GBK) is never taken for a backslash.
void ExpandCarriageReturns(std::string& text);

// Copies as many whole characters of text as fit into buffer before its terminating zero and
// terminates it; returns the bytes copied. Copying stops at a zero byte inside text. Nothing is
// written when buffer is null or bufferSize is 0.
size_t CopyTextCut(const std::string& text, char* buffer, size_t bufferSize);

// 0: simplified Chinese shown in GBK (language 2052 with code page 936); 2: Chinese that GBK
// cannot show (2052 with another code page, or 1028); 1: every other language.
int LanguageCodeFromSystem(unsigned langId, unsigned ansiCodePage);
