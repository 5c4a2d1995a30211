#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "testing/desktop_rig.h"
#include "testing/raw_event_watcher.h"

namespace tavrel::soak {

using SteadyClock = std::chrono::steady_clock;

// The real program at work as a kiosk runs it: a private Xvfb with trayer as the tray host, the
// emulator on the line at 9600 baud, and an X client that notes when each pointer move arrives
// (XI2 raw motion), as any other client would see it.
class LiveRig {
 public:
  // program: the tavrel executable; extra environment such as "TAVREL_LOG=debug".
  LiveRig(const std::string& program, const std::vector<std::string>& environment = {});

  // Empty once everything runs and the controller's calibration has been read; else what failed.
  const std::string& Error() const { return error_; }
  sim::ControllerEmulator& Emulator() { return rig_.Emulator(); }
  const RawEventWatcher& Watcher() const { return watcher_; }
  pid_t ProgramPid() const { return program_ ? program_->Pid() : -1; }

  // The program's output so far.
  std::string Output() const;
  // Waits until `count` lines of the output contain text; false when the time runs out.
  bool WaitCount(const std::string& text, size_t count, std::chrono::milliseconds timeout) const;

 private:
  DesktopRig rig_;
  RawEventWatcher watcher_;
  std::optional<Child> program_;
  std::string error_;
};

}  // namespace tavrel::soak
