// The run's account of what of the client stays: at the end the program checks again everything it
// meant to remove (the installation, the shortcuts, the user's data when chosen, the client's keys
// and entries) and says of each thing still there why it stays. The log gets a line for each, the
// closing message one sentence, and the exit code agrees with it.
#pragma once
#include <string>
#include <vector>

#include "procedures/uninstall_run.h"

enum class StayReason {
  AtRestart,     // in use: the restart removes it
  ForSafety,     // acting on it would not have been safe
  UsersChoice,   // the user chose to keep it
  Shared,        // other products use it too
  NotRemoved,    // the system would not remove it (its error in the detail), or a program holds it
};

struct StayingItem {
  std::string what;
  StayReason reason = StayReason::NotRemoved;
  std::string detail;  // the system's error, or who holds it
};

class CRunAccount {
public:
  // What stays now. finishingHandedOver: the finishing program deletes the uninstaller and its
  // folder once this process has ended, so neither counts.
  static CRunAccount Take(const UninstallRun& run, bool finishingHandedOver);

  const std::vector<StayingItem>& Items() const { return m_items; }
  bool Any(StayReason reason) const;
  // Whether anything stays that the user did not choose to keep.
  bool AnyUnchosen() const;
  // The log's lines, "stays: <what>: <reason>", in English.
  std::vector<std::string> LogLines() const;
  // One sentence of what stays and why, in the language of the code (ui/program_text.h), naming
  // the first few; empty when nothing stays but what the user chose to keep.
  std::string Sentence(int languageCode) const;

private:
  void Add(std::string what, StayReason reason, std::string detail = std::string());
  std::vector<StayingItem> m_items;
};
