#pragma once

// What the end-to-end tests share: the desktop rig (a private Xvfb with trayer, the program as a
// child process, a connection that finds windows and injects input) as a test fixture.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "testing/desktop_rig.h"
#include "testing/program_rig.h"
#include "tools/sim/controller_emulator.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace tavrel::e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class TavrelEndToEndTest : public ::testing::Test {
 protected:
  // The screen's size; fixtures for other sizes give their own.
  // withTray false: a desktop without a notification area, until the test calls StartTray.
  explicit TavrelEndToEndTest(int width = 1024, int height = 768, bool withTray = true)
      : rig("e2e", width, height), withTray_(withTray) {}
  void SetUp() override {
    ASSERT_TRUE(rig.Error().empty()) << rig.Error();
    if (withTray_) {
      ASSERT_TRUE(StartTray()) << "trayer did not start";
    }
  }

  // trayer as the tray host; true once its panel shows.
  bool StartTray() { return rig.StartTray(); }

  // An X11 session unless extraEnv says otherwise; the output goes to logName in the machine
  // directory.
  // The command line is the wrapper's words (such as another user's), the program, then args.
  Child StartTavrel(const std::vector<std::string>& extraEnv = {},
                    const std::string& logName = "tavrel.log",
                    const std::vector<std::string>& args = {},
                    std::vector<std::string> wrapper = {}) {
    wrapper.push_back(TAVREL_PROGRAM);
    wrapper.insert(wrapper.end(), args.begin(), args.end());
    return rig.StartProgram(wrapper, extraEnv, machine / logName);
  }
  // Close, the tray menu's last entry, ends the program with status 0.
  void CloseFromTrayMenu(Child& tavrel) {
    ASSERT_TRUE(rig.ChooseFromTrayMenu(XK_Up, 1)) << "the menu did not open on the press";
    EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(0)) << Output();
  }
  // What the program wrote, for failure messages.
  std::string Output() { return FileText(machine / "tavrel.log"); }

  DesktopRig rig;
  const XvfbServer& xvfb = rig.Xvfb();
  Desktop& desktop = rig.Screen();
  const fs::path& machine = rig.Machine();

 private:
  bool withTray_;
};

}  // namespace tavrel::e2e
