#pragma once

#include <string>

namespace tavrel {

// For the installer, run as an administrator: creates the settings key under HKEY_LOCAL_MACHINE
// in the view the program reads and grants the local Users group read and write on it, so every
// user of the machine shares one calibration and one setup. Running it again changes nothing.
// Returns "" on success, else what failed and its Win32 error code.
std::string ShareSettingsKey(const std::string& subKey);

}  // namespace tavrel
