#include <X11/keysym.h>

#include "tests/e2e/e2e_support.h"

namespace tavrel::e2e {
namespace {

TEST_F(TavrelEndToEndTest, FindsTheControllerKeepsTheFocusAwayAndClosesFromTheTrayMenu) {
  sim::EmulatorOptions options;
  options.machineDir = machine.string();
  options.pace = false;
  sim::ControllerEmulator emulator(options);
  ASSERT_TRUE(emulator.Start()) << emulator.Error();
  Child tavrel = StartTavrel();

  const auto panel = desktop.WaitWindow(IsPanel);
  ASSERT_TRUE(panel.has_value()) << "the panel did not appear; windows:"
                                 << Describe(desktop.Windows());
  EXPECT_EQ(panel->x, 948);
  EXPECT_EQ(panel->y, 651);
  EXPECT_GE(emulator.Requests().size(), 9u) << "presence and the eight calibration words";

  // The panel's context menu is its system menu, with the About entry.
  desktop.Click(panel->x + 32, panel->y + 18, 3);
  ASSERT_TRUE(desktop.WaitWindow([](const Found& w) {
    return w.program == "tavrel" && w.height < 60 && w.width > 60 && !IsPanel(w);
  })) << "no context menu";
  desktop.Key(XK_Down);
  desktop.Key(XK_Return);
  const auto about = desktop.WaitWindow([](const Found& w) { return w.name == "About Tavrel"; });
  ASSERT_TRUE(about.has_value()) << "no About box";
  EXPECT_EQ(about->width, 353);
  EXPECT_EQ(about->height, 89);
  desktop.SetFocus(about->window);
  desktop.Key(XK_Return);
  EXPECT_TRUE(WaitFor(
      [&] { return !desktop.Find([](const Found& w) { return w.name == "About Tavrel"; }); }));

  // Touching the panel leaves the keyboard focus with the application in use.
  const Window client = desktop.FocusClient();
  ASSERT_EQ(desktop.Focus(), client);
  desktop.Click(panel->x + 32, panel->y + 18);  // "Right click"
  EXPECT_EQ(desktop.Focus(), client);
  desktop.Click(panel->x + 32, panel->y + 49);  // "Hide"
  EXPECT_EQ(desktop.Focus(), client);
  EXPECT_TRUE(WaitFor([&] { return !desktop.Find(IsPanel); })) << "Hide hides the panel";

  // A left-button press on the icon opens the menu at once; Close is its last item.
  CloseFromTrayMenu(tavrel);
  EXPECT_FALSE(desktop.Find(IsTrayIcon)) << "the icon is gone";
  ::setenv("TAVREL_MACHINE_DIR", machine.c_str(), 1);
  LinuxSerialPorts ports;
  EXPECT_NE(ports.Open("COM5:"), nullptr) << "the port was closed and unlocked";
}

TEST_F(TavrelEndToEndTest, WithoutAControllerTheMessageBoxAppearsAndTheExitStatusIsZero) {
  // Every port name leads nowhere, so the scan never touches the machine's own serial ports.
  for (int n = 1; n <= 10; ++n) {
    fs::create_symlink("/nonexistent", machine / "ports" / ("COM" + std::to_string(n)));
  }
  Child tavrel = StartTavrel();
  const auto box = desktop.WaitWindow([](const Found& w) { return w.name == "Debugging..."; });
  ASSERT_TRUE(box.has_value()) << "no message box; windows:" << Describe(desktop.Windows());
  EXPECT_FALSE(desktop.Find(IsPanel)) << "the panel is never shown";
  EXPECT_TRUE(desktop.Find(IsTrayIcon)) << "the icon is added before detection";
  // There is no window manager to give the box the focus on a click.
  desktop.SetFocus(box->window);
  desktop.Key(XK_Return);
  EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(0)) << Output();
}

}  // namespace
}  // namespace tavrel::e2e
