// The run's timeline, stamped in the debug output as "Uninstall: <text>" where a debugger or the
// benchmark (scripts/bench.sh) reads it: the program's own work is the time from "start" to
// "exit" less the waits for the user (each "<what> shown" to its "<what> answered") and the pauses
// the procedure prescribes (each stamped "pause <ms> ms" as it begins).
#pragma once
#include <windows.h>

#include <string>

void Stamp(const std::string& text);

// Sleeps a pause the procedure prescribes, stamped.
void PrescribedPause(DWORD ms);

// MessageBoxA, its wait for an answer stamped "message shown" and "message answered".
int AnsweredMessageBox(HWND owner, const char* text, const char* caption, UINT type);
