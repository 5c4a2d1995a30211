#include <X11/keysym.h>

#include <algorithm>

#include "tests/e2e/e2e_support.h"

// Desktops without a notification area, a second start, and a Wayland session's notice.
namespace tavrel::e2e {
namespace {

class DesktopsEndToEndTest : public TavrelEndToEndTest {
 protected:
  explicit DesktopsEndToEndTest(bool withTray = false) : TavrelEndToEndTest(1024, 768, withTray) {}
  void SetUp() override {
    TavrelEndToEndTest::SetUp();
    sim::EmulatorOptions options;
    options.machineDir = machine.string();
    options.pace = false;
    emulator.emplace(options);
    ASSERT_TRUE(emulator->Start()) << emulator->Error();
  }
  // The panel's context menu: the About entry alone is short, the tray's commands make it tall.
  bool OpenContextMenu(const Found& panel, bool withCommands) {
    desktop.Click(panel.x + 32, panel.y + 18, 3);
    return desktop
        .WaitWindow([&](const Found& w) {
          return w.program == "tavrel" && !IsPanel(w) && w.width > 60 && w.width < 400 &&
                 (withCommands ? w.height > 150 : w.height < 60);
        })
        .has_value();
  }
  // Close is the tray menu's last entry, and the context menu's last command above About.
  void ChooseClose(int fromBottom) {
    for (int i = 0; i < fromBottom; ++i) desktop.Key(XK_Up);
    desktop.Key(XK_Return);
  }
  size_t Count(const std::string& text) {
    const std::string output = Output();
    size_t count = 0;
    for (size_t at = output.find(text); at != std::string::npos; at = output.find(text, at + 1)) {
      ++count;
    }
    return count;
  }

  std::optional<sim::ControllerEmulator> emulator;
};

TEST_F(DesktopsEndToEndTest, WithoutATrayThePanelCarriesTheCommandsAndASecondStartShowsIt) {
  Child tavrel = StartTavrel();
  const auto panel = desktop.WaitWindow(IsPanel);
  ASSERT_TRUE(panel.has_value()) << Output() << Describe(desktop.Windows());
  desktop.Click(panel->x + 32, panel->y + 49);  // "Hide", disabled
  // The menu opens after the click on "Hide" was handled, and the panel is still there.
  ASSERT_TRUE(OpenContextMenu(*panel, true)) << Describe(desktop.Windows());
  EXPECT_TRUE(desktop.Find(IsPanel)) << "Hide is disabled without a tray";
  desktop.Key(XK_Escape);

  ASSERT_TRUE(StartTray()) << "trayer did not start";
  ASSERT_TRUE(desktop.WaitWindow(IsTrayIcon)) << "the icon comes with the tray";
  desktop.Click(panel->x + 32, panel->y + 49);
  ASSERT_TRUE(WaitFor([&] { return !desktop.Find(IsPanel); })) << "Hide works with a tray";

  const size_t requests = emulator->Requests().size();
  // The same screen under the name with its screen number: the same program.
  Child second = StartTavrel({"DISPLAY=" + xvfb.Display() + ".0"}, "second.log");
  EXPECT_EQ(second.Wait(20s), std::optional<int>(0));
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << "the hidden panel is back";
  EXPECT_EQ(emulator->Requests().size(), requests) << "the second start never opened the port";
  const auto windows = desktop.Windows();
  EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                          [](const Found& w) { return w.viewable && IsTrayIcon(w); }),
            1);

  rig.StopTray();  // the host goes: the commands move back to the panel
  ASSERT_TRUE(WaitFor([&] { return Count("No notification area") == 2; })) << Output();
  ASSERT_TRUE(OpenContextMenu(*panel, true));
  ChooseClose(2);
  EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(0)) << Output();
}

class WaylandNoticeEndToEndTest : public DesktopsEndToEndTest {
 protected:
  WaylandNoticeEndToEndTest() : DesktopsEndToEndTest(true) {}

  // Starts the program in the session, dismisses the notice if it comes (always before the
  // panel shows), and closes the program; true when the notice came.
  bool RunOnce(const std::vector<std::string>& session) {
    Child tavrel = StartTavrel(session);
    std::optional<Found> seen;
    WaitFor([&] {
      seen = desktop.Find([](const Found& w) { return w.name == "Tavrel" || IsPanel(w); });
      return seen.has_value();
    });
    const bool notice = seen && seen->name == "Tavrel";
    if (notice) {
      desktop.SetFocus(seen->window);
      desktop.Key(XK_Return);
    }
    EXPECT_TRUE(desktop.WaitWindow(IsPanel)) << Output();
    EXPECT_TRUE(rig.ChooseFromTrayMenu(XK_Up, 1));
    EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(0)) << Output();
    return notice;
  }
};

TEST_F(WaylandNoticeEndToEndTest, ShownOnceOnAWaylandSessionAndNeverOnX11) {
  struct Row {
    const char* legend;
    std::vector<std::string> session;
    bool notice;
  };
  const Row rows[] = {
      {"X11 session", {}, false},
      {"first start on Wayland", {"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-0"}, true},
      {"next start on Wayland", {"XDG_SESSION_TYPE=wayland"}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    EXPECT_EQ(RunOnce(row.session), row.notice);
  }
  std::ifstream in(machine / "settings.reg");
  const std::string settings{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(settings.find("\"Wayland Notice Shown\"=dword:00000001"), std::string::npos);
}

// Without a display the program says why and ends with status 1, rather than aborting.
TEST(NoDisplayEndToEndTest, SaysWhyAndEndsWithStatusOne) {
  const fs::path out =
      fs::temp_directory_path() / ("tavrel-no-display-" + std::to_string(getpid()));
  Child tavrel({TAVREL_PROGRAM},
               {"DISPLAY=", "QT_QPA_PLATFORM=", "TAVREL_MACHINE_DIR=/nonexistent"}, out.string());
  EXPECT_EQ(tavrel.Wait(20s), std::optional<int>(1));
  std::ifstream in(out);
  const std::string output{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(output.find("DISPLAY is not set"), std::string::npos) << output;
  fs::remove(out);
}

}  // namespace
}  // namespace tavrel::e2e
