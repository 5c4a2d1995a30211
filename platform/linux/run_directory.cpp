#include "platform/linux/run_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace tavrel {

namespace {

// Empty when the path is a directory (not a link) of this user that nobody else may enter.
std::string WhyNotPrivate(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return path + ": " + std::strerror(errno);
  if (!S_ISDIR(status.st_mode)) return path + " is no directory";
  if (status.st_uid != ::getuid()) {
    return path + " belongs to uid " + std::to_string(status.st_uid) + ", not to this user";
  }
  if ((status.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
    return path + " has mode " + mode + ": others may enter it";
  }
  return {};
}

}  // namespace

std::optional<std::string> PrivateRunDirectory(std::string& why) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0' && WhyNotPrivate(runtime).empty()) return runtime;
  std::error_code error;
  std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
  if (error) temporary = "/tmp";
  const std::string own = (temporary / "tavrel-").string() + std::to_string(::getuid());
  // An existing one is checked like a new one: the temporary directory is everyone's.
  ::mkdir(own.c_str(), 0700);
  why = WhyNotPrivate(own);
  if (!why.empty()) return std::nullopt;
  return own;
}

std::string NormalisedDisplay(std::string_view display) {
  const size_t colon = display.rfind(':');
  if (colon == std::string_view::npos) return std::string(display);
  const std::string_view number = display.substr(colon + 1);
  const size_t digits = number.find_first_not_of("0123456789");
  if (digits == 0) return std::string(display);
  if (digits != std::string_view::npos && number[digits] != '.') return std::string(display);
  return std::string(display.substr(0, colon + 1 + std::min(digits, number.size())));
}

}  // namespace tavrel
