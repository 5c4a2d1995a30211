// A touch from the controller to the X server: the real program, the emulator on a
// pseudo-terminal, and the pointer's press and release where the calibration puts them.
#include <fstream>

#include "tests/e2e/factory_pixel.h"
#include "touch/touch_report.h"
// Last: the harness brings in Xlib, whose macros clash with the headers above.
#include "tests/e2e/e2e_support.h"

namespace tavrel::e2e {
namespace {

constexpr int kScreenWidth = 1024, kScreenHeight = 768;

// A window of the test's own that records the button events it receives.
class Target {
 public:
  explicit Target(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    if (!display_) return;
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, kScreenWidth,
                                  kScreenHeight, 0, 0, 0xFFFFFF);
    XSelectInput(display_, window_, ButtonPressMask | ButtonReleaseMask);
    XMapWindow(display_, window_);
    // Below the program's windows, so that the panel stays clickable.
    XLowerWindow(display_, window_);
    XSync(display_, False);
  }
  ~Target() {
    if (display_) XCloseDisplay(display_);
  }
  Window Id() const { return window_; }
  std::pair<int, int> Pointer() {
    Window root = 0, child = 0;
    int x = -1, y = -1, winX = 0, winY = 0;
    unsigned mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &winX, &winY,
                  &mask);
    return {x, y};
  }
  // The next press or release, within the time-out.
  std::optional<XButtonEvent> NextButton() {
    XEvent event{};
    if (!WaitFor([&] {
          return XCheckWindowEvent(display_, window_, ButtonPressMask | ButtonReleaseMask, &event);
        })) {
      return std::nullopt;
    }
    return event.xbutton;
  }

 private:
  Display* display_;
  Window window_ = 0;
};

TEST_F(TavrelEndToEndTest, ATapLandsWhereTheCalibrationPutsIt) {
  struct Row {
    const char* legend;
    int32_t rawX, rawY;
  };
  const Row rows[] = {
      {"the middle", 1000, 1000},
      {"near the left-top corner", 300, 300},
      {"near the right-bottom corner", 1700, 1700},
      {"coordinates carrying XOFF and XON bytes", 0x393, 0x391},
  };
  sim::EmulatorOptions options;
  options.machineDir = machine.string();
  options.pace = false;
  // As a real serial device comes up: the program makes the line binary itself.
  options.cooked = true;
  sim::ControllerEmulator emulator(options);
  ASSERT_TRUE(emulator.Start()) << emulator.Error();
  Target target(xvfb.Display());
  ASSERT_TRUE(desktop.WaitWindow([&](const Found& w) { return w.window == target.Id(); }));
  Child tavrel = StartTavrel();
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << "no panel; windows:" << Describe(desktop.Windows());

  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    const auto [x, y] = PixelOf(row.rawX, row.rawY);
    emulator.Report(kStatusTouching, row.rawX, row.rawY);
    emulator.Report(kStatusReleased, row.rawX, row.rawY);
    for (const int type : {ButtonPress, ButtonRelease}) {
      const auto event = target.NextButton();
      ASSERT_TRUE(event.has_value()) << "no button event; " << Output();
      EXPECT_EQ(event->type, type);
      EXPECT_EQ(event->button, 1u) << "a left click";
      EXPECT_EQ(event->x_root, x);
      EXPECT_EQ(event->y_root, y);
    }
  }

  CloseFromTrayMenu(tavrel);
}

// A hand-edited tone length of 49 days is held to the longest tone Setup offers: the touch that
// would have stalled the reader clicks, and Close ends the program.
TEST_F(TavrelEndToEndTest, AHandEditedTouchToneOf49DaysNeitherStallsTouchNorClose) {
  std::ofstream(machine / "settings.reg") << "Windows Registry Editor Version 5.00\n\n"
                                             "[HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel]\n"
                                             "\"Buzzer Duration (msec)\"=dword:ffffffff\n";
  sim::EmulatorOptions options;
  options.machineDir = machine.string();
  options.pace = false;
  sim::ControllerEmulator emulator(options);
  ASSERT_TRUE(emulator.Start()) << emulator.Error();
  Target target(xvfb.Display());
  ASSERT_TRUE(desktop.WaitWindow([&](const Found& w) { return w.window == target.Id(); }));
  Child tavrel = StartTavrel();
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << "no panel; windows:" << Describe(desktop.Windows());

  // The move comes before the tone, the press after it.
  emulator.Report(kStatusTouching, 1000, 1000);
  const auto pixel = PixelOf(1000, 1000);
  ASSERT_TRUE(WaitFor([&] { return target.Pointer() == pixel; })) << Output();
  emulator.Report(kStatusReleased, 1000, 1000);
  for (const int type : {ButtonPress, ButtonRelease}) {
    const auto event = target.NextButton();
    ASSERT_TRUE(event.has_value()) << "the touch tone held the reader up; " << Output();
    EXPECT_EQ(event->type, type);
  }

  CloseFromTrayMenu(tavrel);
}

}  // namespace
}  // namespace tavrel::e2e
