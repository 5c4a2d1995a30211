// Unattended operation: the real program's log, and its return to work when the controller's
// line hangs up and comes back on the same port.
#include <sstream>

#include "tests/e2e/factory_pixel.h"
#include "touch/touch_report.h"
// Last: the harness brings in Xlib, whose macros clash with the headers above.
#include "tests/e2e/e2e_support.h"

namespace tavrel::e2e {
namespace {

constexpr int kScreenWidth = 1024, kScreenHeight = 768;

class ReconnectEndToEndTest : public TavrelEndToEndTest {
 protected:
  void SetUp() override {
    TavrelEndToEndTest::SetUp();
    options.machineDir = machine.string();
    options.pace = false;
    emulator.emplace(options);
    ASSERT_TRUE(emulator->Start()) << emulator->Error();
    view = XOpenDisplay(xvfb.Display().c_str());
    ASSERT_NE(view, nullptr);
    // A window under every tap, below the program's, that sees where each release lands.
    target = XCreateSimpleWindow(view, DefaultRootWindow(view), 0, 0, kScreenWidth, kScreenHeight,
                                 0, 0, 0);
    XSelectInput(view, target, ButtonReleaseMask);
    XMapWindow(view, target);
    XLowerWindow(view, target);
    XSync(view, False);
    ASSERT_TRUE(desktop.WaitWindow([&](const Found& w) { return w.window == target; }));
  }
  void TearDown() override {
    if (view) XCloseDisplay(view);
    unsetenv("TAVREL_LOG");
    TavrelEndToEndTest::TearDown();
  }
  // The program's own log lines, without its prefix; other output (Qt's) is left out.
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(Output());
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("tavrel: ", 0) == 0) lines.push_back(line.substr(8));
    }
    return lines;
  }
  bool Logged(const std::string& text) {
    return WaitFor([&] { return Output().find(text) != std::string::npos; });
  }
  // A tap from the controller ends with a release at its pixel.
  bool TapLands(int32_t rawX, int32_t rawY) {
    emulator->Report(kStatusTouching, rawX, rawY);
    emulator->Report(kStatusReleased, rawX, rawY);
    XEvent event{};
    return WaitFor([&] { return XCheckWindowEvent(view, target, ButtonReleaseMask, &event); }) &&
           std::pair(event.xbutton.x_root, event.xbutton.y_root) == PixelOf(rawX, rawY);
  }
  sim::EmulatorOptions options;
  std::optional<sim::ControllerEmulator> emulator;
  Display* view = nullptr;
  Window target = 0;
};

TEST_F(ReconnectEndToEndTest, TheLineComesBackAndTouchesFlowAgain) {
  Child tavrel = StartTavrel();
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << "no panel; windows:" << Describe(desktop.Windows());
  ASSERT_TRUE(Logged("calibration read from the controller")) << Output();
  ASSERT_TRUE(TapLands(1000, 1000)) << Output();

  emulator->HangUp();
  ASSERT_TRUE(Logged("COM5: hung up")) << Output();
  // Gone for three retry intervals: a busy retry would take a whole core.
  const double before = ProcessCpuSeconds(tavrel.Pid());
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(6s);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double share = (ProcessCpuSeconds(tavrel.Pid()) - before) / seconds;
  EXPECT_LT(share, 0.2) << "CPU share while the line is gone";

  const size_t requests = emulator->Requests().size();
  emulator->Reconnect();
  ASSERT_TRUE(Logged("COM5: answers again")) << Output();
  EXPECT_GE(emulator->Requests().size(), requests + 8) << "the four corners are read again";
  EXPECT_TRUE(TapLands(1400, 700)) << Output();
  // Away from the corners, where the tray and the panel are.
  EXPECT_TRUE(TapLands(700, 1300)) << Output();
  CloseFromTrayMenu(tavrel);

  // Each event once, in order, and no line for any of the touches.
  const std::vector<std::string> lines = LogLines();
  const std::vector<std::string> starts = {"version ",
                                           "Notification area present",
                                           "looking for the controller on COM5:",
                                           "controller found on COM5:",
                                           "calibration read from the controller",
                                           "COM5: hung up; trying it again every 2 s",
                                           "COM5: answers again; calibration read",
                                           "exit status 0"};
  ASSERT_EQ(lines.size(), starts.size()) << Output();
  for (size_t i = 0; i < starts.size(); ++i) {
    EXPECT_EQ(lines[i].rfind(starts[i], 0), 0u) << lines[i];
  }
  EXPECT_NE(lines[0].find(machine.string()), std::string::npos) << "names the machine directory";
}

TEST_F(ReconnectEndToEndTest, RetriesGoOnQuietlyAndCloseStillEndsAtOnce) {
  setenv("TAVREL_LOG", "debug", 1);
  Child tavrel = StartTavrel();
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << "no panel; windows:" << Describe(desktop.Windows());
  ASSERT_TRUE(Logged("calibration read from the controller")) << Output();
  EXPECT_NE(Output().find("tavrel: sent 0A 01 41"), std::string::npos) << "exchanges at debug";
  EXPECT_NE(Output().find("tavrel: received 0A 01 41"), std::string::npos) << Output();

  emulator->HangUp();
  ASSERT_TRUE(Logged("COM5: not back yet (attempt 2)")) << Output();
  CloseFromTrayMenu(tavrel);
  EXPECT_EQ(Output().find("message box"), std::string::npos) << Output();
}

}  // namespace
}  // namespace tavrel::e2e
