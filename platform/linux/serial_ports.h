#pragma once

#include <optional>
#include <string>

#include "platform/serial_device.h"

namespace tavrel {

// The device path for a port name "COMn:": $TAVREL_MACHINE_DIR/ports/COMn when that path exists
// (usually a symbolic link), else /dev/ttyS<n-1>. Nothing for a name of another form.
std::optional<std::string> SerialPortPath(std::string_view name);

// Serial ports as terminal devices: opened non-blocking, exclusively (TIOCEXCL, and an advisory
// lock, which binds root too), in binary mode once the line settings are written.
class LinuxSerialPorts : public SerialPorts {
 public:
  std::unique_ptr<SerialDevice> Open(std::string_view name) override;
  // The device path and the reason: missing, not a terminal, in use, or a permission the user
  // lacks, with the device's owner, group and mode and the group to join.
  std::string WhyNotOpened(std::string_view name) override;
};

}  // namespace tavrel
