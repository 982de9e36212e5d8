// The readers of the "SetupType" setup value: its tens digit marks the installations with a
// procedure of their own, its units digit a variant.
#pragma once

// True when the tens digit of "SetupType" is 3 (values 30 to 39).
bool IsSetupTypeGroup3();
// The units digit of "SetupType" (negative for negative values; 0 when it is missing).
int GetSetupTypeVariant();
// Returns second when GetSetupTypeVariant is non-zero, else first.
int SelectBySetupVariant(int first, int second);
