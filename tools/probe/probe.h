#pragma once

#include <optional>

#include "link/serial_port.h"
#include "platform/settings_store.h"
#include "platform/system_parameters.h"

namespace tavrel {

// Finds the controller as the program does, prints its calibration, then every pointer event its
// touches make for the given number of seconds. Returns the process's exit status.
int RunLinkProbe(SettingsStore& store, SystemParameters& system, CTvSerialPort::Platform serial,
                 int seconds);

// The probe's command line: "[SECONDS]", "--help" or "--version". The seconds to run for, or,
// once what was asked for is printed, the status to end with (as `status`).
std::optional<int> ProbeSeconds(int argc, char** argv, int& status);

}  // namespace tavrel
