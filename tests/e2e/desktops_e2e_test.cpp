#include <X11/keysym.h>

#include <algorithm>

#include "tests/e2e/e2e_support.h"

// Desktops without a notification area, a second start, and a Wayland session's notice.
namespace tavrel::e2e {
namespace {

bool IsContextMenu(const Found& w, bool withCommands) {
  // The About entry alone is a short menu; the tray menu's commands make it tall.
  return w.program == "tavrel" && !IsPanel(w) && w.width > 60 && w.width < 400 &&
         (withCommands ? w.height > 150 : w.height < 60);
}

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
  // The panel's context menu, opened with the right button; true once it shows as expected.
  bool OpenContextMenu(const Found& panel, bool withCommands) {
    desktop.Click(panel.x + 32, panel.y + 18, 3);
    return desktop.WaitWindow([&](const Found& w) { return IsContextMenu(w, withCommands); })
        .has_value();
  }
  bool PanelHidden() {
    return WaitFor([&] { return !desktop.Find(IsPanel); });
  }
  // Close, the last entry of the tray menu (and the last command of the context menu, above
  // the About entry).
  void ChooseClose(int fromBottom) {
    for (int i = 0; i < fromBottom; ++i) desktop.Key(XK_Up);
    desktop.Key(XK_Return);
  }

  std::optional<sim::ControllerEmulator> emulator;
};

TEST_F(DesktopsEndToEndTest, WithoutATrayThePanelOffersEveryCommandAndCloseEndsTheProgram) {
  Child tavrel = StartTavrel();
  const auto panel = desktop.WaitWindow(IsPanel);
  ASSERT_TRUE(panel.has_value()) << Output() << Describe(desktop.Windows());
  desktop.Click(panel->x + 32, panel->y + 49);  // "Hide", disabled
  // The menu opens after the click on "Hide" was handled, and the panel is still there.
  ASSERT_TRUE(OpenContextMenu(*panel, true)) << Describe(desktop.Windows());
  EXPECT_TRUE(desktop.Find(IsPanel)) << "Hide is disabled without a tray";
  ChooseClose(2);
  EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(0)) << Output();
  EXPECT_NE(Output().find("No notification area"), std::string::npos) << Output();
}

TEST_F(DesktopsEndToEndTest, ATrayStartedLaterGetsTheIconAndASecondStartBringsThePanelBack) {
  Child tavrel = StartTavrel();
  const auto panel = desktop.WaitWindow(IsPanel);
  ASSERT_TRUE(panel.has_value()) << Output() << Describe(desktop.Windows());
  ASSERT_TRUE(StartTray()) << "trayer did not start";
  ASSERT_TRUE(desktop.WaitWindow(IsTrayIcon)) << "the icon comes with the tray";
  ASSERT_TRUE(OpenContextMenu(*panel, false)) << "only About once the tray is there";
  desktop.Key(XK_Escape);
  desktop.Click(panel->x + 32, panel->y + 49);  // "Hide"
  ASSERT_TRUE(PanelHidden()) << "Hide works with a tray";

  const size_t requests = emulator->Requests().size();
  Child second = StartTavrel({}, "second.log");
  EXPECT_EQ(second.Wait(20s), std::optional<int>(0));
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << "the hidden panel is back";
  EXPECT_EQ(emulator->Requests().size(), requests) << "the second start never opened the port";
  const auto windows = desktop.Windows();
  EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                          [](const Found& w) { return w.viewable && IsTrayIcon(w); }),
            1);
  ASSERT_TRUE(OpenTrayMenu()) << "the first still runs, with one icon";
  ChooseClose(1);
  EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(0)) << Output();
}

class WaylandNoticeEndToEndTest : public DesktopsEndToEndTest {
 protected:
  WaylandNoticeEndToEndTest() : DesktopsEndToEndTest(true) {}

  // Starts the program in the session, dismisses the notice if it comes, and closes it again;
  // true when the notice came. It comes before the panel shows, or not at all.
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
    EXPECT_TRUE(OpenTrayMenu());
    ChooseClose(1);
    EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(0)) << Output();
    return notice;
  }
  std::string Settings() {
    std::ifstream in(machine / "settings.reg");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
      {"XWayland display only", {"WAYLAND_DISPLAY=wayland-1"}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    EXPECT_EQ(RunOnce(row.session), row.notice);
  }
  EXPECT_NE(Settings().find("\"Wayland Notice Shown\"=dword:00000001"), std::string::npos)
      << Settings();
}

}  // namespace
}  // namespace tavrel::e2e
