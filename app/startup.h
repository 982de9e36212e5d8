// Start-up decisions that need no window: the message shown when the language pack cannot be
// loaded, and the choice of the uninstall procedure with the companion programs it needs put
// in place.
#pragma once
#include <string>

#include "cleanup/steps/protocol_removal.h"  // kDetectorCopyPath

// The caption and text of the message box shown when "Language.xml" cannot be loaded: in
// simplified Chinese (GBK) for language code 0, in English for every other code.
struct PackFailureMessage {
  const char* caption;
  const char* text;
};
PackFailureMessage PackFailureMessageFor(int languageCode);

// What the user is told when a procedure ended early: the uninstall could not be completed and
// the client is still there. Chosen by language code as the pack failure message is.
PackFailureMessage IncompleteUninstallMessageFor(int languageCode);

// What a second uninstaller tells the user while another one runs. Chosen by language code as
// the pack failure message is.
PackFailureMessage AlreadyRunningMessageFor(int languageCode);

// What runs after the user confirmed.
enum class UninstallProcedure {
  None,             // the Windows version could not be read: nothing is uninstalled
  SetupType,        // "SetupType" 30 to 39, on every Windows version
  Full,             // Windows 2000, XP and later
  Legacy,           // Windows 95, 98, Me and NT 4.0, with the detector tool in place
  DetectorMissing,  // a legacy system without "Ipdetect.exe" beside the program: end silently
};

// Chooses the procedure and puts the companion programs beside the program where it needs them:
// nothing for the SetupType case; otherwise "Unl.exe" into the system directory (replacing what is
// there, a failed copy is ignored) and, for the legacy systems, "Ipdetect.exe" to kDetectorCopyPath;
// each copied from the file as it was judged (cleanup/trust/judged_file.h), none that others could have
// changed.
UninstallProcedure ChooseUninstallProcedure();
