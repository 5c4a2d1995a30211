#include "platform/linux/serial_ports.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/linux/file_descriptor.h"
#include "platform/linux/machine_directory.h"
#include "platform/linux/terminal_device.h"
#include "platform/log.h"

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

namespace {

std::string GroupName(gid_t gid) {
  const group* entry = getgrgid(gid);
  return entry != nullptr ? entry->gr_name : std::to_string(gid);
}

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

// The device's owner, group and mode, and what the user can do about them.
std::string PermissionDenied(const std::string& path) {
  struct stat device {};
  if (stat(path.c_str(), &device) != 0) return "permission denied";
  const std::string group = GroupName(device.st_gid);
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(device.st_mode & 07777));
  std::string text = "permission denied (owner " + UserName(device.st_uid) + ", group " + group +
                     ", mode " + mode + "): ";
  if ((device.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
    return text + "join the group " + group + " (sudo adduser " + UserName(geteuid()) + " " +
           group + ") and log in again";
  }
  return text + "not even its group " + group +
         " may read and write it; its permissions need changing (a udev rule)";
}

// The path, and where it leads when it is a link.
std::string Named(const std::string& path) {
  std::error_code error;
  const auto target = std::filesystem::read_symlink(path, error);
  return error ? path : path + " (" + target.string() + ")";
}

// Opens the device for exclusive use; on failure, why says what stood in the way (when given).
// The port links live in a group-writable directory: whatever a link leads to is opened without
// blocking, and only a character device is used.
// Opens the device for exclusive use; on failure, why says what stood in the way (when given).
// The port links live in a group-writable directory: whatever a link leads to is opened without
// blocking, and only a character device is used.
FileDescriptor OpenDevice(std::string_view name, const std::string& path, std::string* why) {
  const auto fail = [&](int error, const char* reason) {
    if (why != nullptr) {
      *why = Named(path) + ": " +
             (error == EACCES || error == EPERM ? PermissionDenied(path)
                                                : std::string(reason ? reason : strerror(error)));
    }
    return FileDescriptor();
  };
  if (!LinksTrusted(name, path)) return fail(0, "a link neither root nor this user owns");
  FileDescriptor fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return fail(errno, nullptr);
  struct stat status {};
  if (fstat(fd.Get(), &status) != 0) return fail(errno, nullptr);
  if (!S_ISCHR(status.st_mode)) return fail(0, "not a serial device");
  if (IsOwnTerminal(fd.Get(), status)) {
    log::Info(std::string(name) + " not opened: " + path + " is this program's own terminal");
    return fail(0, "this program's own terminal");
  }
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    return fail(errno, errno == EWOULDBLOCK ? "in use by another program" : nullptr);
  }
  if (ioctl(fd.Get(), TIOCEXCL) != 0) return fail(errno, nullptr);
  return fd;
}

}  // namespace

std::unique_ptr<SerialDevice> LinuxSerialPorts::Open(std::string_view name) {
  const auto path = SerialPortPath(name);
  if (!path) return nullptr;
  FileDescriptor fd = OpenDevice(name, *path, nullptr);
  if (!fd.Valid()) return nullptr;
  return std::make_unique<TerminalDevice>(std::move(fd));
}

std::string LinuxSerialPorts::WhyNotOpened(std::string_view name) {
  const auto path = SerialPortPath(name);
  if (!path) return "not a port name of the form COMn:";
  std::string why;
  OpenDevice(name, *path, &why);
  return why.empty() ? *path + ": it opens now" : why;
}

}  // namespace tavrel
