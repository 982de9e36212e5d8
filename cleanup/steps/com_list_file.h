// The syntax of "reg.ini": a list of file and folder names, one per line, relative to the folder
// that holds the list. Read as a text file: lines end at a line feed (a carriage return before it
// belongs to the line end), a Ctrl-Z ends the text, and names are taken as they stand (no
// trimming, no comments). Pure text handling; the lookups live in com_unregister.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Every line of the text in order. A line ending at the end of the text without a line feed
// still counts; a line keeps only what stands before a zero byte in it.
std::vector<std::string> SplitListFileLines(const char* data, size_t size);

// Whether a listed name stays inside the list's folder: not empty, not absolute or on another
// drive, and without "." or ".." steps (which would walk out of the tree or back into the same
// folder and its list again). Other names are treated as not found.
bool IsListedNameInsideFolder(const std::string& name);
