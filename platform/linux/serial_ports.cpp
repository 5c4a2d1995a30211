#include "platform/linux/serial_ports.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>

#include "platform/linux/file_descriptor.h"
#include "platform/linux/machine_directory.h"
#include "platform/linux/terminal_device.h"

namespace tavrel {

std::optional<std::string> SerialPortPath(std::string_view name) {
  if (!name.starts_with("COM") || !name.ends_with(":")) return std::nullopt;
  const std::string_view digits = name.substr(3, name.size() - 4);
  int32_t number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  const std::string linked = MachineDirectory() + "/ports/COM" + std::to_string(number);
  std::error_code ignored;
  if (std::filesystem::symlink_status(linked, ignored).type() !=
      std::filesystem::file_type::not_found) {
    return linked;
  }
  return "/dev/ttyS" + std::to_string(static_cast<int64_t>(number) - 1);
}

std::unique_ptr<SerialDevice> LinuxSerialPorts::Open(std::string_view name) {
  const auto path = SerialPortPath(name);
  if (!path) return nullptr;
  // The port links live in a group-writable directory: whatever a link leads to is opened
  // without blocking, and only a character device is used.
  FileDescriptor fd(open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return nullptr;
  struct stat status {};
  if (fstat(fd.Get(), &status) != 0 || !S_ISCHR(status.st_mode) ||
      flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 || ioctl(fd.Get(), TIOCEXCL) != 0) {
    return nullptr;
  }
  return std::make_unique<TerminalDevice>(std::move(fd));
}

}  // namespace tavrel
