// What an uninstall must remove of a sample installation, item by item, for each procedure and
// each of the user's choices. The end-to-end tests compare it with the snapshots.
#pragma once
#include <string>
#include <vector>

#include "support/sample_install.h"

namespace test {

enum class Procedure { Full, Legacy, SetupType };

struct Expectation {
  Procedure procedure = Procedure::Full;
  std::string os = "winxp";
  int keepData = 1;
  bool otherPppoe = false;
  bool mainProgramLocked = false;
  // A file of the installation that another program holds open: it and the folders holding it stay.
  std::string heldFile;
  // "lnk2" names no folder: the worker stops at that test, and only what comes before it goes;
  // the launcher then keeps the Add/Remove Programs entries and starts no companion program.
  bool endsAtLnk2 = false;
  // Nothing at all is removed (cancelled, client not closed, detector tool missing).
  bool nothingRemoved = false;
  // Items a test added to the installation before the run, which must go with it.
  std::vector<std::string> alsoRemoved;
  // The vendor's folder above the installation stays though the installation went (others may
  // change it, or it holds more).
  bool vendorFolderStays = false;
};

// Whether the vendor's folder above the installation goes with it: the uninstaller moves up into
// it, and the finishing program is given that place.
bool VendorFolderGoes(const Expectation& e);

// The uninstaller's path as the finishing program is given it.
std::string UninstallerPathForFinishing(const SampleInstallation& install, const Expectation& e);

// The items of the installation that must be gone afterwards, sorted.
std::vector<std::string> ExpectedRemovals(const SampleInstallation& install, const Expectation& e);

// Items that must be new afterwards, sorted, leaving out the setup values that start-up imports
// below "hklm\software\mirel_mini" (see WithoutImportedSetupValues).
std::vector<std::string> ExpectedAdditions(const Expectation& e);

// The items without those below the client's registry tree, where start-up's import of
// "Uninstall.bin" lands before any procedure decides what stays.
std::vector<std::string> WithoutImportedSetupValues(const std::vector<std::string>& items);

// Checks the run's removals and additions against the expectation (gtest failures, with both
// lists and the driver's transcript).
void ExpectFootprint(const SampleInstallation& install, const UninstallRun& run, const Expectation& e);

}  // namespace test
