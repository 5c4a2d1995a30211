#pragma once

#include "link/serial_port.h"
#include "platform/settings_store.h"
#include "platform/system_parameters.h"

namespace tavrel {

// Finds the controller as the program does, prints its calibration, then every pointer event its
// touches make for the given number of seconds. Returns the process's exit status.
int RunLinkProbe(SettingsStore& store, SystemParameters& system, CTvSerialPort::Platform serial,
                 int seconds);

}  // namespace tavrel
