#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tavrel {

// A fresh machine directory for the test's process, removed at the end.
class ScratchMachineDirectory {
 public:
  ScratchMachineDirectory() {
    char name[] = "/tmp/tavrel-link-XXXXXX";
    path_ = mkdtemp(name);
    setenv("TAVREL_MACHINE_DIR", path_.c_str(), 1);
    std::filesystem::create_directories(path_ + "/ports");
  }
  ~ScratchMachineDirectory() { std::filesystem::remove_all(path_); }
  const std::string& Path() const { return path_; }
  // A port name whose link leads nowhere, so that it fails to open without falling back to a
  // real /dev/ttyS device.
  void AddDeadPort(int32_t number) const {
    std::filesystem::create_symlink(path_ + "/missing",
                                    path_ + "/ports/COM" + std::to_string(number));
  }

 private:
  std::string path_;
};

}  // namespace tavrel
