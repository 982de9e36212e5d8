// Ending the running client and its companion programs before anything is deleted: first
// politely (the client's own messages, WM_CLOSE), then by force. The caller names the client (the
// language pack's defines) and gives the one question the user may be asked; nothing else here
// shows anything.
#pragma once
#include <windows.h>

#include <string>

// The client's names, as the language pack's defines give them.
struct ClientNames {
  std::string programFileName;  // PROGRAM_FILENAME: the client's executable
  std::string engName;          // PROGRAME_ENG_NAME
  std::string clientName;       // PROGRAM_CLIENT_NAME
  std::string programName;      // PROGRAM_NAME
};

// The question whether to close the running client: its text and caption (the setup values
// "zString3" and "zString2").
struct ClosingQuestion {
  std::string text;
  std::string caption;
};

// Ends the running client, asking the user the question first when ask is TRUE. FALSE only when
// the user answered No (then nothing has been touched); TRUE otherwise, also when nothing was
// running.
BOOL CloseClientPrograms(BOOL ask, const ClientNames& names, const ClosingQuestion& question);

// The client's main window: the first match of the frame class titled PROGRAME_ENG_NAME, then
// dialogs titled PROGRAME_ENG_NAME, PROGRAM_CLIENT_NAME, PROGRAM_NAME and the fixed branding
// title. NULL when none is found.
HWND FindClientMainWindow(const ClientNames& names);

// TRUE when a process whose file name contains programFileName (case-insensitive) runs.
BOOL IsClientProcessRunning(const std::string& programFileName);

// Ends every process of the client (programFileName) and of the hotspot-search client.
void KillClientProcesses(const std::string& programFileName);

// Results of CloseOrKillProcess.
enum CloseOrKillResult {
  kProcessNotEnded = 0,       // could not be opened or not terminated
  kProcessEndedItself = 1,    // ended within the time-out after WM_CLOSE
  kProcessTerminated = 2,
};
// Posts WM_CLOSE to the process's top-level windows, waits up to timeoutMs for it to end, and
// terminates it when it has not.
int CloseOrKillProcess(DWORD processId, DWORD timeoutMs);

// Ends every help viewer (hh.exe) whose command line contains text (case-insensitive). TRUE
// when at least one was ended.
BOOL CloseHelpViewer(const char* text);
