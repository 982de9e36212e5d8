#include "procedures/run_account.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "cleanup/report/run_report.h"
#include "framework/file_names.h"
#include "framework/handles.h"
#include "framework/own_program.h"
#include "framework/path_text.h"
#include "framework/shell_folders.h"
#include "framework/wide_text.h"
#include "ui/program_text.h"
#include "ui/res/resource.h"

namespace {

// The closing sentence names this many; the rest are counted.
constexpr size_t kNamedInSentence = 3;

const char kRootPrefix[] = "HKLM\\";
const char kDialUpPrefix[] = "dial-up entry ";
const char kPppoeRegister[] = "SOFTWARE\\BriskoPPPOE\\SetupInfo";
const char kPppoeRegisterValue[] = "Mirel_Mini";

unsigned TextIdOf(StayReason reason) {
  switch (reason) {
    case StayReason::AtRestart: return IDS_STAYS_AT_RESTART;
    case StayReason::ForSafety: return IDS_STAYS_FOR_SAFETY;
    case StayReason::UsersChoice: return IDS_STAYS_USERS_CHOICE;
    case StayReason::Shared: return IDS_STAYS_SHARED;
    case StayReason::NotRemoved: break;
  }
  return IDS_STAYS_NOT_REMOVED;
}

StayReason ReasonOf(RemovalResult result) {
  switch (result) {
    case RemovalResult::AtRestart:
    case RemovalResult::InUse:
    case RemovalResult::DeletePending: return StayReason::AtRestart;
    case RemovalResult::Changed:
    case RemovalResult::LinkKept: return StayReason::ForSafety;
    default: return StayReason::NotRemoved;
  }
}

// The system's words for an error, with its number.
std::string ErrorText(DWORD error) {
  char text[512] = {};
  DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  sizeof(text), nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) --length;
  return std::string(text, length) + (length ? " " : "") + "(error " + std::to_string(error) + ")";
}

// Whether what a removal named is still there: a key of HKLM (a link in its place counts), a file
// or folder; a dial-up entry as the removal found it.
bool StillThere(const std::string& what) {
  if (what.compare(0, sizeof(kRootPrefix) - 1, kRootPrefix) == 0) {
    ScopedRegKey key;
    const LONG status = key.Open(HKEY_LOCAL_MACHINE, what.c_str() + sizeof(kRootPrefix) - 1);
    return status != ERROR_FILE_NOT_FOUND && status != ERROR_PATH_NOT_FOUND;
  }
  if (what.compare(0, sizeof(kDialUpPrefix) - 1, kDialUpPrefix) == 0) return true;
  return FileAttributesNamed(WideFromAnsi(what)) != INVALID_FILE_ATTRIBUTES;
}

bool PppoeRegisterNamesTheClient() {
  ScopedRegKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, kPppoeRegister) != ERROR_SUCCESS) return false;
  return ::RegQueryValueExA(key.Get(), kPppoeRegisterValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// "what: why" as the left-for-safety and in-use reports keep it (a path's drive colon has no blank after it).
std::pair<std::string, std::string> Split(const std::string& item) {
  const size_t colon = item.find(": ");
  if (colon == std::string::npos) return {item, std::string()};
  return {item.substr(0, colon), item.substr(colon + 2)};
}

}  // namespace

void CRunAccount::Add(std::string what, StayReason reason, std::string detail) {
  const std::wstring folded = FoldedAscii(WideFromAnsi(what));
  for (const StayingItem& item : m_items)
    if (FoldedAscii(WideFromAnsi(item.what)) == folded) return;
  m_items.push_back(StayingItem{std::move(what), reason, std::move(detail)});
}

CRunAccount CRunAccount::Take(const UninstallRun& run, bool finishingHandedOver) {
  CRunAccount account;
  // The uninstaller's folder and its file go with the finishing program; while a later run is to
  // come, the installation stays as one item, why given by what was left.
  const std::wstring ownFolder = FoldedAscii(OwnProgramFolder());
  const std::wstring ownProgram = FoldedAscii(OwnProgramPath());
  const bool laterRun = LeftAnythingForALaterRun();
  for (const std::string& item : WhatWasLeftForSafety()) {
    auto parts = Split(item);
    account.Add(std::move(parts.first), StayReason::ForSafety, std::move(parts.second));
  }
  for (const std::string& item : WhatWasLeftInUse()) {
    auto parts = Split(item);
    account.Add(std::move(parts.first), StayReason::NotRemoved, std::move(parts.second));
  }
  const std::string installation = run.setupInfo.hasSetupPath ? run.setupInfo.setupPath : std::string();
  if (laterRun && !installation.empty() && StillThere(installation))
    account.Add(installation, LeftAnythingForSafety() ? StayReason::ForSafety : StayReason::NotRemoved,
                "kept with what was left, for a later run");
  for (const LeftByRemoval& left : WhatRemovalsLeft()) {
    // What the path rule refused is no part of the client: data named a place the client's
    // removals may not reach (logged as refused where it was met).
    if (left.result == RemovalResult::Refused) continue;
    const std::wstring folded = FoldedAscii(left.what);
    if (folded == ownFolder || (finishingHandedOver && folded == ownProgram)) continue;
    const std::string what = AnsiFromWide(left.what);
    if (!StillThere(what)) continue;
    const StayReason reason = ReasonOf(left.result);
    account.Add(what, reason, reason == StayReason::NotRemoved && left.error != ERROR_SUCCESS ? ErrorText(left.error)
                                                                                              : std::string());
  }
  if (!run.deleteUserData) {
    const std::string appData = ShellFolderPath(CSIDL_APPDATA);
    if (!appData.empty() && StillThere(appData + "\\Teloris")) account.Add(appData + "\\Teloris", StayReason::UsersChoice);
  }
  if (run.keepCardDriver) account.Add(ProgramText(IDS_STAYS_CARD_DRIVER, 1), StayReason::UsersChoice);
  if (PppoeRegisterNamesTheClient())
    account.Add(std::string(kRootPrefix) + kPppoeRegister + "|" + kPppoeRegisterValue, StayReason::Shared);
  return account;
}

bool CRunAccount::Any(StayReason reason) const {
  for (const StayingItem& item : m_items)
    if (item.reason == reason) return true;
  return false;
}

bool CRunAccount::AnyUnchosen() const {
  for (const StayingItem& item : m_items)
    if (item.reason != StayReason::UsersChoice) return true;
  return false;
}

std::vector<std::string> CRunAccount::LogLines() const {
  std::vector<std::string> lines;
  for (const StayingItem& item : m_items)
    lines.push_back("stays: " + item.what + ": " + ProgramText(TextIdOf(item.reason), 1) +
                    (item.detail.empty() ? "" : ": " + item.detail));
  return lines;
}

std::string CRunAccount::Sentence(int languageCode) const {
  if (!AnyUnchosen()) return std::string();
  std::string sentence = ProgramText(IDS_STAYS_INTRO, languageCode);
  size_t named = 0, more = 0;
  for (const StayingItem& item : m_items) {
    if (item.reason == StayReason::UsersChoice) continue;
    if (named == kNamedInSentence) {
      ++more;
      continue;
    }
    sentence += (named ? ProgramText(IDS_STAYS_NEXT, languageCode) : std::string()) + item.what +
                ProgramText(IDS_STAYS_WHY, languageCode) + ProgramText(TextIdOf(item.reason), languageCode);
    ++named;
  }
  if (more) {
    char counted[128] = {};
    std::snprintf(counted, sizeof(counted), ProgramText(IDS_STAYS_MORE, languageCode).c_str(), static_cast<int>(more));
    sentence += counted;
  }
  return sentence + ProgramText(IDS_STAYS_END, languageCode);
}
