#pragma once

#include "link/serial_port.h"
#include "platform/key_service.h"
#include "platform/pointer_service.h"
#include "platform/settings_store.h"
#include "platform/system_parameters.h"
#include "platform/tone_service.h"
#include "platform/window_service.h"

namespace tavrel {

// Every platform service the program uses, handed down from its main to the objects the main
// panel creates.
struct ShellPlatform {
  SettingsStore& store;
  SystemParameters& system;
  WindowService& windows;
  PointerService& pointer;
  ToneService& tone;
  CTvSerialPort::Platform serial;
  KeyService& keys;
};

}  // namespace tavrel
