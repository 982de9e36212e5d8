// The client's dial-up entries in the system's default phonebook. Remote access is a component
// that may not be installed (Windows 95 without Dial-Up Networking), so its library is loaded at
// run time, from the system folder.
#pragma once

// Deletes the entry from the default phonebook and reports what became of it. Nothing happens
// when remote access is not installed.
void DeleteDialUpEntry(const char* entryName);
