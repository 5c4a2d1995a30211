#include "platform/linux/serial_ports.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <filesystem>

#include "platform/linux/file_descriptor.h"
#include "platform/linux/machine_directory.h"
#include "platform/linux/terminal_device.h"
#include "platform/log.h"

namespace tavrel {

namespace {

std::string UserName(uid_t uid) {
  passwd entry{};
  passwd* found = nullptr;
  std::array<char, 1024> buffer{};
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  return "uid " + std::to_string(uid);
}

// The ports directory is writable by a whole group, so a link there (or the directory itself,
// replaced by a link) is followed only when root or this user made it: a link of anyone else's
// could lead to their own terminal, and this user's touches into their session.
bool LinksTrusted(std::string_view name, const std::string& path) {
  const std::string directory = MachineDirectory() + "/ports";
  if (!path.starts_with(directory + "/")) return true;
  for (const std::string& step : {directory, path}) {
    struct stat status {};
    if (lstat(step.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) continue;
    if (status.st_uid != 0 && status.st_uid != geteuid()) {
      log::Info(std::string(name) + " not opened: " + step + " is a link owned by " +
                UserName(status.st_uid) + ", neither root nor this user");
      return false;
    }
  }
  return true;
}

// The terminal this program was started from, under any name (/dev/tty, /dev/pts/N, a link):
// taken as a port it would be left raw and exclusive under the user's shell.
bool IsOwnTerminal(int fd, const struct stat& device) {
  pid_t session = 0;
  if (ioctl(fd, TIOCGSID, &session) == 0 || device.st_rdev == makedev(5, 0)) return true;
  for (int standard : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    struct stat status {};
    if (isatty(standard) && fstat(standard, &status) == 0 && S_ISCHR(status.st_mode) &&
        status.st_rdev == device.st_rdev) {
      return true;
    }
  }
  return false;
}

}  // namespace

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
  if (!path || !LinksTrusted(name, *path)) return nullptr;
  // The port links live in a group-writable directory: whatever a link leads to is opened
  // without blocking, and only a character device is used.
  FileDescriptor fd(open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return nullptr;
  struct stat status {};
  if (fstat(fd.Get(), &status) != 0 || !S_ISCHR(status.st_mode)) return nullptr;
  if (IsOwnTerminal(fd.Get(), status)) {
    log::Info(std::string(name) + " not opened: " + *path + " is this program's own terminal");
    return nullptr;
  }
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 || ioctl(fd.Get(), TIOCEXCL) != 0) return nullptr;
  return std::make_unique<TerminalDevice>(std::move(fd));
}

}  // namespace tavrel
