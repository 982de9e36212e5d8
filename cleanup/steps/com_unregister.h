// Unregistering the client's COM servers (in-process DLLs and OCX controls) before its files are
// deleted, with a progress and error log "RegisterError.log" in the system directory when the
// registry value "LogMode" switches it on.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "cleanup/files/approved_tree.h"
#include "cleanup/trust/file_identity.h"
#include "cleanup/trust/judged_file.h"
#include "framework/wide_text.h"

// The key holding "LogMode" below HKEY_LOCAL_MACHINE, and the named mutex that serialises every
// append to the log across processes.
constexpr const char kLogModeKey[] = "SOFTWARE\\Mirel_Mini\\Dorn_pppoe2\\systemset\\";
constexpr const char kRegisterLogMutex[] = "SetupLogError";
// How long an append waits for the mutex before the line is dropped.
constexpr unsigned long kRegisterLogMutexWaitMs = 5000;
// A log larger than this is emptied before the next line; one of exactly this size is appended to.
constexpr unsigned long kRegisterLogMaxBytes = 0x100000;

// Collects the files below the approved folder ("reg.ini" lists) and asks each one the skip rules
// let through to unregister itself. A failure of one file never stops the others. Links are never
// searched or loaded. Each server is loaded only as the listed file (the same identity), judged and
// held with the folders on its way so that none can be changed or swapped while it loads; one that
// others could have changed is left for safety.
void UnregisterComServers(CApprovedTree& tree);

// Appends to list the files of the folder at folderSteps in tree (none: the tree's folder). With
// useList set and the folder's listFileName readable, only the names it lists, in list order (a
// listed folder is collected in turn; the first name that cannot be found, or that would leave
// the folder, ends the list and what was added stays). Otherwise every file of the folder, in
// enumeration order, each sub-folder collected at the point it is met (looking for its own list).
// Nothing is added for a folder that cannot be searched.
void CollectFileList(CApprovedTree& tree, const std::vector<std::wstring>& folderSteps, std::vector<TreeEntry>& list,
                     const char* listFileName, BOOL useList);

// Calls the judged file's "DllUnregisterServer" between OleInitialize and OleUninitialize, logging
// each step: the file as it was opened and judged is what is loaded (cleanup/trust/judged_file.h), and
// nothing of it is called unless it was trusted and the module loaded is that file. TRUE only when
// the server reported success.
BOOL UnregisterComServer(const CJudgedFile& server);

// Appends one time-stamped line (or a bare "\n" separator for text "\n") to the log when
// "LogMode" is "TRUE" in any case; a log above kRegisterLogMaxBytes is emptied first. The line is
// dropped when the mutex cannot be had within kRegisterLogMutexWaitMs.
void WriteRegisterErrorLog(const std::string& text);

// The log's path: "<system directory>\RegisterError.log".
std::string RegisterLogPath();
