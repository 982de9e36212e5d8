// The running program and its folder, where its companion files lie, found one way.
#pragma once
#include <string>

// The running program's file as the system names it; empty when it cannot be told.
std::wstring OwnProgramPath();

// The program's folder as the file system names it, in UTF-16: its final path (links and mapped
// drives resolved) where the system can tell, else its long form. The companions beside the program
// are found here, so a program started through a link judges and uses the folder it really lies in.
// Empty when it cannot be told.
std::wstring OwnProgramFolder();
