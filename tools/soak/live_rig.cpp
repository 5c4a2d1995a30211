#include "tools/soak/live_rig.h"

#include "testing/program_rig.h"

namespace tavrel::soak {

namespace {
constexpr int kWidth = 1024, kHeight = 768;
}  // namespace

LiveRig::LiveRig(const std::string& program, const std::vector<std::string>& environment)
    : rig_("soak", kWidth, kHeight), watcher_(rig_.Display()) {
  if (!rig_.Error().empty()) {
    error_ = rig_.Error();
  } else if (!rig_.StartTray()) {
    // The tray host first, so that the program finds its tray.
    error_ = "trayer did not start";
  } else if (!rig_.StartEmulator()) {
    error_ = rig_.Error();
  } else if (!watcher_.WaitWatching(std::chrono::seconds(10))) {
    error_ = "no XI2 raw motion on the display";
  } else {
    program_.emplace(rig_.StartProgram({program}, environment, rig_.Machine() / "tavrel.log"));
    if (!WaitCount("calibration read from the controller", 1, std::chrono::seconds(20))) {
      error_ = "the program did not read the calibration:\n" + Output();
    }
  }
}

std::string LiveRig::Output() const { return FileText(rig_.Machine() / "tavrel.log"); }

bool LiveRig::WaitCount(const std::string& text, size_t count,
                        std::chrono::milliseconds timeout) const {
  return WaitFor([&] { return LinesContaining(Output(), text) >= count; }, timeout);
}

}  // namespace tavrel::soak
