// The line-break mark of stored setup texts, walked without a system call.
#pragma once

#include <string>

// Turns every "|" that is a character of its own into a line feed (0x0A). The text is walked a
// whole character at a time, so the trail byte of a double-byte character (which may be 0x7C in
// GBK, as in 0x96 0x7C) stays part of its character.
void ExpandLineBreakMarks(std::string& text);
