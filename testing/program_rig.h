#pragma once

// What every rig that runs the real program on a private display shares: the wait, the tray
// host, the machine directory and the program's environment and log.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace tavrel {

// Polls the condition every 20 ms; false when the time runs out first.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// trayer along the bottom-left edge as the tray host, as a kiosk desktop has it.
inline std::vector<std::string> TrayCommand() {
  return {"trayer", "--edge",  "bottom", "--align",  "left", "--widthtype",
          "pixel",  "--width", "120",    "--height", "24"};
}

// This process's machine directory under the temporary folder, named after the rig.
inline std::filesystem::path MachineDirectory(const std::string& rig) {
  return std::filesystem::temp_directory_path() /
         ("tavrel-" + rig + "-" + std::to_string(::getpid()));
}

// The program's environment: extra first, then the display and the machine directory.
inline std::vector<std::string> ProgramEnvironment(std::vector<std::string> extra,
                                                   const std::string& display,
                                                   const std::filesystem::path& machine) {
  extra.insert(extra.end(), {"DISPLAY=" + display, "TAVREL_MACHINE_DIR=" + machine.string()});
  return extra;
}

// A file's whole text, such as the program's log; empty when there is none.
inline std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How many of the text's lines contain part, as grep -c counts them.
inline size_t LinesContaining(const std::string& text, const std::string& part) {
  std::istringstream in(text);
  size_t count = 0;
  for (std::string line; std::getline(in, line);) count += line.find(part) != std::string::npos;
  return count;
}

}  // namespace tavrel
