#pragma once

// What the tests of the Windows programs under Wine share: a copy of the Windows build's Wine
// prefix whose COM5 is the emulator's pseudo-terminal, and the command lines that run programs
// in it.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace tavrel::wine {

namespace fs = std::filesystem;

// The Windows build under test: $TAVREL_WINDOWS_BUILD when set (the 64-bit one, where this
// machine runs no 32-bit programs), else the one configured.
inline fs::path WindowsBuild() {
  const char* build = std::getenv("TAVREL_WINDOWS_BUILD");
  return build != nullptr && *build != '\0' ? fs::path(build) : fs::path(TAVREL_WIN32_DIR);
}

// The command line that runs the Windows program under the Wine loader that build needs.
inline std::vector<std::string> Wine(std::vector<std::string> commandLine) {
  const char* loader = std::getenv("TAVREL_WINE");
  commandLine.insert(commandLine.begin(), loader != nullptr && *loader != '\0' ? loader : "wine");
  return commandLine;
}

// A private prefix, copied from the build's (so it needs no boot of its own), removed at the end;
// its own Wine server is ended with it.
class WinePrefix {
 public:
  explicit WinePrefix(const fs::path& root) : path_(root / "prefix") {
    fs::copy(WindowsBuild() / "wine-prefix", path_,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  }
  ~WinePrefix() { Child({"wineserver", "-k"}, Environment()).Wait(std::chrono::seconds(20)); }
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;

  // Maps the port to the device (the emulator's link), as dosdevices/comN.
  void MapPort(int number, const fs::path& device) const {
    const fs::path link = path_ / "dosdevices" / ("com" + std::to_string(number));
    fs::remove(link);
    fs::create_symlink(device, link);
  }
  std::vector<std::string> Environment(const std::string& display = "") const {
    std::vector<std::string> env{"WINEPREFIX=" + path_.string(), "WINEDEBUG=-all",
                                 "WINEDLLOVERRIDES=mscoree,mshtml="};
    if (!display.empty()) env.push_back("DISPLAY=" + display);
    return env;
  }

 private:
  fs::path path_;
};

inline std::string Program(const std::string& name) { return (WindowsBuild() / name).string(); }

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace tavrel::wine
