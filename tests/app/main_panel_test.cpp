#include "app/main_panel.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/touch_app.h"
#include "link/controller_wire.h"
#include "resources/menus_strings.h"
#include "resources/resource_ids.h"
#include "testing/fake_clock.h"
#include "testing/fake_controller.h"
#include "testing/fake_events.h"
#include "testing/fake_key_service.h"
#include "testing/fake_log_sink.h"
#include "testing/fake_pointer_service.h"
#include "testing/fake_serial.h"
#include "testing/fake_settings_store.h"
#include "testing/fake_single_instance.h"
#include "testing/fake_system_parameters.h"
#include "testing/fake_threads.h"
#include "testing/fake_tone_service.h"
#include "testing/fake_window_service.h"
#include "testing/link_test_support.h"
#include "tools/sim/controller_emulator.h"

namespace tavrel {
namespace {

namespace id = resource_id;
using Log = std::vector<std::string>;

bool Contains(const Log& log, const std::string& entry) {
  return std::find(log.begin(), log.end(), entry) != log.end();
}

ptrdiff_t CountStartingWith(const Log& log, std::string_view prefix) {
  return std::count_if(log.begin(), log.end(),
                       [&](const std::string& entry) { return entry.starts_with(prefix); });
}

// Every entry is in the log, in this order; the log is printed when not.
::testing::AssertionResult InOrder(const Log& log, const Log& entries) {
  ptrdiff_t last = -1;
  for (const auto& entry : entries) {
    const auto it = std::find(log.begin(), log.end(), entry);
    if (it == log.end() || it - log.begin() < last) {
      return ::testing::AssertionFailure()
             << entry << " missing or out of order in " << ::testing::PrintToString(log);
    }
    last = it - log.begin();
  }
  return ::testing::AssertionSuccess();
}

// The program on fake services, with a controller that answers presence and memory reads from
// factory memory, at once. Rows that need a machine of their own make another.
struct PanelRig {
  PanelRig() { controller.unanswered = {wire::kFirmwareRelease, wire::kModel, wire::kWriteWord}; }
  FakeLine& Controller(const std::string& port) {
    FakeLine& line = ports.Add(port);
    controller.Attach(line);
    return line;
  }
  ShellPlatform Platform() {
    return {store, system, windows, pointer, tone, {ports, events, threads, clock}, keys};
  }
  // Starts the program; script acts on the open panel.
  void Run(FakeWindowService::Script script, int exitStatus = 0) {
    windows.scripts[id::kPanelDialog] = [this, script](WindowHandle h) {
      panel = h;
      script(h);
    };
    TouchApp app(Platform(), "/opt/tavrel/bin/tavrel.exe");
    app.SetControllerWait(controllerWait);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitStatus(), exitStatus);
    EXPECT_TRUE(windows.trayIcons.empty()) << "the icon is removed on every way out";
  }
  void TrayMenuCommand(int32_t command) {
    windows.TrayNotify(panel, id::kAppIcon, kMouseMessageLeftDown);
    windows.Command(panel, command);
  }
  bool MenuShowsOnTopChecked() const {
    for (const auto& entry : windows.menus.back()) {
      if (entry.id == id::kShowOnTopCommand) return entry.checked;
    }
    return false;
  }
  ImageHandle RightClickImage() {
    return windows.ButtonImage(windows.Control(panel, id::kRightClickButton));
  }
  bool MouseTrailsOffLast() const {
    const auto calls = system.Calls();
    return !calls.empty() && calls.back() == std::make_pair(SystemParameter::kMouseTrails, 0);
  }
  // Reports the controller sends: a finger down (0x81) or lifted (0x80) at the point.
  void Send(FakeLine& line, uint8_t status, int32_t x, int32_t y, int reports = 1) {
    ports.With(line, [&](FakeLine& l) {
      for (int i = 0; i < reports; ++i) {
        l.incoming.push_back(sim::ControllerEmulator::EncodeReport(status, x, y));
      }
    });
  }

  FakeSettingsStore store;
  FakeSystemParameters system;
  FakeWindowService windows;
  EventLog log;
  FakePointerService pointer{log};
  FakeToneService tone{log};
  FakeClock clock;
  FakeEventService events{clock};
  FakeSerialPorts ports{events};
  FakeThreadService threads;
  FakeKeyService keys;
  FakeController controller;
  int32_t controllerWait = 0;
  WindowHandle panel = 0;
};

class MainPanelTest : public ::testing::Test, public PanelRig {
 protected:
  using PanelRig::Run;  // not the test's own
};

const auto kRightClickOn = static_cast<ImageHandle>(id::kRightClickOnBitmap);
const auto kRightClickOff = static_cast<ImageHandle>(id::kRightClickOffBitmap);

TEST_F(MainPanelTest, StartsInOrderAndShowsThePanelAtTheCornerTopmost) {
  Controller("COM5:");
  Run([&](WindowHandle h) {
    const auto& state = windows.WindowState(h);
    EXPECT_TRUE(state.visible);
    EXPECT_TRUE(state.topmost);
    EXPECT_EQ(state.exStyle, kExStyleNoActivate) << "no taskbar entry, never activated";
    EXPECT_EQ(state.iconId, id::kAppIcon);
    EXPECT_EQ(state.systemMenu, (std::vector<MenuEntry>{{0, ""}, {16, "&About Tavrel..."}}));
    EXPECT_EQ(state.rect, (ScreenRect{948, 651, 1014, 718}));
    EXPECT_EQ(RightClickImage(), kRightClickOff);
    EXPECT_EQ(windows.trayIcons.begin()->second, "tavrel");
    EXPECT_TRUE(store.IsOpen());
    windows.Close(h);
  });
  EXPECT_TRUE(InOrder(windows.Log(),
                      {"owner window", "run 102", "bitmap 131", "bitmap 130", "tray add 128 tavrel",
                       "place 102 948,651 topmost", "tray remove 128", "ended 102 2"}));
  EXPECT_EQ(ports.Opened().front(), "COM5:") << "the stored port is tried first";
  // Every command parks the reader before it writes: no answer goes astray.
  EXPECT_TRUE(windows.Messages().empty());
}

TEST_F(MainPanelTest, WithoutAControllerOnlyTheMessageIsShownAndTheProgramEnds) {
  Run([](WindowHandle) { ADD_FAILURE() << "the panel never runs"; }, kExitNoController);
  const auto messages = windows.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Debugging...");
  EXPECT_EQ(messages[0].text, "Failed checking for Touch Controller device");
  const Log log = windows.Log();
  EXPECT_FALSE(Contains(log, "show 102"));
  EXPECT_FALSE(Contains(log, "place 102 948,651 topmost"));
  EXPECT_EQ(ports.Opened().size(), 11u) << "the stored port, then COM1 to COM10";
}

TEST_F(MainPanelTest, SerialPortIsStoredOnlyWhenTheScanFoundTheController) {
  struct Row {
    const char* legend;
    int32_t stored;
    const char* controllerOn;
    int32_t expected;
    bool written;
  };
  const Row rows[] = {
      {"found on the stored port", 7, "COM7:", 7, false},
      {"found by the scan", 7, "COM3:", 3, true},
      {"found by the scan on the last port", 5, "COM10:", 10, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    PanelRig rig;
    rig.Controller(row.controllerOn);
    rig.store.Put("Serial Port", row.stored);
    rig.Run([&](WindowHandle h) {
      EXPECT_EQ(rig.store.Values().at("Serial Port"), row.expected);
      rig.windows.Close(h);
    });
    const auto writes = rig.store.Writes();
    EXPECT_EQ(std::count(writes.begin(), writes.end(), "Serial Port"), row.written ? 1 : 0);
  }
}

TEST_F(MainPanelTest, PlacePanelKeepsItsMarginsFromTheBottomRightCorner) {
  struct Row {
    const char* legend;
    ScreenRect desktop;
    int32_t x, y;
  };
  const Row rows[] = {
      {"1024 x 768", {0, 0, 1024, 768}, 948, 651},
      {"800 x 600", {0, 0, 800, 600}, 724, 483},
      {"1920 x 1080", {0, 0, 1920, 1080}, 1844, 963},
  };
  Controller("COM5:");
  Run([&](WindowHandle h) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.legend);
      windows.desktop = row.desktop;
      windows.Command(h, id::kShowOnTopCommand);  // places the panel again
      EXPECT_EQ(windows.WindowState(h).rect.left, row.x);
      EXPECT_EQ(windows.WindowState(h).rect.top, row.y);
    }
    windows.Close(h);
  });
}

TEST_F(MainPanelTest, RightClickButtonTogglesTheModeAndItsImage) {
  Controller("COM5:");
  Run([&](WindowHandle h) {
    windows.Command(h, id::kRightClickButton);
    EXPECT_EQ(store.Values().at("RightClickEnabled"), 1);
    EXPECT_EQ(RightClickImage(), kRightClickOn);
    windows.Command(h, id::kRightClickButton);
    EXPECT_EQ(store.Values().at("RightClickEnabled"), 0);
    EXPECT_EQ(RightClickImage(), kRightClickOff);
    windows.Close(h);
  });
}

// The image follows what the next touch will do, also when the store cannot keep the mode.
TEST_F(MainPanelTest, RightClickImageFollowsTheStoredMode) {
  struct Row {
    const char* legend;
    bool storeOpens;
    bool writeFails;
    ImageHandle first, second;
  };
  const Row rows[] = {
      {"a working store toggles", true, false, kRightClickOn, kRightClickOff},
      {"an unavailable store: touches stay left clicks", false, false, kRightClickOff,
       kRightClickOff},
      {"a refused write keeps the mode", true, true, kRightClickOff, kRightClickOff},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    PanelRig rig;
    rig.store.openSucceeds = row.storeOpens;
    if (row.writeFails) rig.store.failingWrites.insert("RightClickEnabled");
    rig.store.Put("Serial Port", 5);
    rig.Controller("COM5:");
    rig.Run([&](WindowHandle h) {
      rig.windows.Command(h, id::kRightClickButton);
      EXPECT_EQ(rig.RightClickImage(), row.first);
      rig.windows.Command(h, id::kRightClickButton);
      EXPECT_EQ(rig.RightClickImage(), row.second);
      rig.windows.Close(h);
    });
  }
}

TEST_F(MainPanelTest, RightClickThenATouchGivesOneRightClickAndThePlainImage) {
  FakeLine& line = Controller("COM5:");
  Run([&](WindowHandle h) {
    windows.Command(h, id::kRightClickButton);
    Send(line, 0x81, 1024, 1024);
    Send(line, 0x80, 1024, 1024);
    EXPECT_TRUE(WaitUntil([&] { return store.Values().at("RightClickEnabled") == 0; }));
    EXPECT_EQ(RightClickImage(), kRightClickOff);
    windows.Close(h);
  });
  Log buttons;
  for (const auto& event : log.Descriptions()) {
    if (event.ends_with(" down") || event.ends_with(" up")) buttons.push_back(event);
  }
  EXPECT_EQ(buttons, (Log{"right down", "right up"}));
}

TEST_F(MainPanelTest, ShowOnTopFlipsTopmostAndTheMenuCheckMark) {
  Controller("COM5:");
  Run([&](WindowHandle h) {
    windows.TrayNotify(h, id::kAppIcon, kMouseMessageRightDown);
    EXPECT_TRUE(windows.menus.empty()) << "a right press opens nothing";
    windows.TrayNotify(h, id::kAppIcon, kMouseMessageLeftDown);
    ASSERT_EQ(windows.menus.size(), 1u);
    EXPECT_TRUE(MenuShowsOnTopChecked());
    for (bool topmost : {false, true, false}) {
      windows.Command(h, id::kHideButton);
      TrayMenuCommand(id::kShowOnTopCommand);
      EXPECT_EQ(windows.WindowState(h).topmost, topmost);
      EXPECT_TRUE(windows.WindowState(h).visible);
      EXPECT_EQ(windows.WindowState(h).rect.left, 948);
      windows.TrayNotify(h, id::kAppIcon, kMouseMessageLeftDown);
      EXPECT_EQ(MenuShowsOnTopChecked(), topmost);
    }
    windows.Close(h);
  });
}

TEST_F(MainPanelTest, HideAndShowWindowKeepPositionAndZOrder) {
  Controller("COM5:");
  Run([&](WindowHandle h) {
    windows.Command(h, id::kHideButton);
    EXPECT_FALSE(windows.WindowState(h).visible);
    TrayMenuCommand(id::kShowWindowCommand);
    EXPECT_TRUE(windows.WindowState(h).visible);
    EXPECT_TRUE(windows.WindowState(h).topmost);
    EXPECT_EQ(windows.WindowState(h).rect, (ScreenRect{948, 651, 1014, 718}));
    windows.Close(h);
  });
}

// How each way out ends the program.
TEST_F(MainPanelTest, ShutdownRoutes) {
  struct Row {
    const char* legend;
    int32_t result;
    bool portClosed;
    bool trailsOff;
    bool aboutClosed;
    std::function<void(PanelRig&, WindowHandle)> act;
  };
  const Row rows[] = {
      {"Close from the tray menu", kIdCancel, true, true, false,
       [](PanelRig& r, WindowHandle) { r.TrayMenuCommand(id::kCloseCommand); }},
      {"Close chosen while the About box is open", kIdCancel, true, true, true,
       [](PanelRig& r, WindowHandle h) {
         r.windows.scripts[id::kAboutDialog] = [&r](WindowHandle) {
           r.TrayMenuCommand(id::kCloseCommand);
         };
         r.windows.SysCommand(h, id::kAboutCommand);
       }},
      {"window-close message", kIdCancel, true, false, false,
       [](PanelRig& r, WindowHandle h) { r.windows.Close(h); }},
      {"close from the system menu", kIdCancel, true, false, false,
       [](PanelRig& r, WindowHandle h) { r.windows.SysCommand(h, kSysCommandClose); }},
      {"OK command", kIdOk, false, false, false,
       [](PanelRig& r, WindowHandle h) { r.windows.Command(h, kIdOk); }},
      {"asked to end (a signal, the session's end) with the About box open: as Close", kIdCancel,
       true, true, true,
       [](PanelRig& r, WindowHandle h) {
         r.windows.scripts[id::kAboutDialog] = [&r](WindowHandle) { r.windows.RequestEnd(); };
         r.windows.SysCommand(h, id::kAboutCommand);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    PanelRig rig;
    FakeLine& line = rig.Controller("COM5:");
    bool portOpenAtEnd = false;
    size_t callsAtOpen = 0;
    rig.Run([&](WindowHandle h) {
      callsAtOpen = rig.system.Calls().size();
      row.act(rig, h);
      rig.ports.With(line, [&](FakeLine& l) { portOpenAtEnd = l.open; });
    });
    const Log log = rig.windows.Log();
    EXPECT_TRUE(Contains(log, "ended 102 " + std::to_string(row.result)));
    EXPECT_EQ(!portOpenAtEnd, row.portClosed);
    EXPECT_EQ(rig.MouseTrailsOffLast() && rig.system.Calls().size() > callsAtOpen, row.trailsOff);
    EXPECT_EQ(Contains(log, "close 100"), row.aboutClosed);
    if (row.aboutClosed) {
      EXPECT_TRUE(InOrder(log, {"close 100", "ended 100 2", "ended 102 2"}));
    }
    EXPECT_TRUE(rig.windows.trayIcons.empty());
  }
}

// With a wait, start-up scans every 2 s, dispatching meanwhile, until the controller answers or
// the time is up; only the first and the last scan log each port.
TEST_F(MainPanelTest, WaitingForTheControllerScansAgainUntilItAnswersOrTheTimeIsUp) {
  struct Row {
    const char* legend;
    int32_t wait;
    int appearsAfter;  // dispatches; 0: never
    int endAfter;      // dispatches until the program is asked to end; 0: never
    int dispatches;
    int exitStatus;
    size_t detailedScans;
  };
  const Row rows[] = {
      {"no wait: one scan", 0, 0, 0, 0, kExitNoController, 1},
      {"found on the third scan", 10, 2, 0, 2, 0, 1},
      {"5 s: scans at 0, 2, 4 and 6 s, then the box", 5, 0, 0, 3, kExitNoController, 2},
      {"asked to end while waiting: no box", 60, 0, 1, 1, 0, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeLogSink logged;
    PanelRig rig;
    int dispatches = 0;
    rig.windows.onDispatch = [&](uint32_t ms) {
      rig.clock.Advance(ms);
      if (++dispatches == row.appearsAfter) rig.Controller("COM5:");
      if (dispatches == row.endAfter) rig.windows.RequestEnd();
    };
    rig.controllerWait = row.wait;
    rig.Run([&](WindowHandle h) { rig.windows.Close(h); }, row.exitStatus);
    EXPECT_EQ(dispatches, row.dispatches);
    EXPECT_EQ(rig.windows.Messages().size(), row.exitStatus == 0 ? 0u : 1u);
    const auto lines = logged.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "COM5: cannot be opened"),
              static_cast<ptrdiff_t>(2 * row.detailedScans))
        << "the stored port and then the scan's";
  }
}

TEST_F(MainPanelTest, AboutBoxOpensFromTheSystemMenuOnceAndDisablesThePanel) {
  Controller("COM5:");
  int aboutRuns = 0;
  windows.scripts[id::kAboutDialog] = [&](WindowHandle about) {
    ++aboutRuns;
    EXPECT_FALSE(windows.WindowState(panel).enabled);
    windows.SysCommand(panel, id::kAboutCommand);  // chosen again while open
    windows.Command(about, kIdOk);
  };
  Run([&](WindowHandle h) {
    windows.SysCommand(h, id::kAboutCommand | 0x3);  // the low bits are the desktop's
    EXPECT_TRUE(windows.WindowState(h).enabled);
    windows.Close(h);
  });
  EXPECT_EQ(aboutRuns, 1);
}

TEST_F(MainPanelTest, SetupRunsFromTheTrayMenuOverTheDisabledPanelAndCloseEndsItAsCancel) {
  Controller("COM5:");
  int setupRuns = 0;
  windows.scripts[id::kSetupDialog] = [&](WindowHandle setup) {
    ++setupRuns;
    EXPECT_FALSE(windows.WindowState(panel).enabled);
    windows.MoveTrackbar(setup, id::kDblClickWidthTrackbar, 40);
    TrayMenuCommand(id::kCloseCommand);
  };
  Run([&](WindowHandle) { TrayMenuCommand(id::kSetupCommand); });
  EXPECT_EQ(setupRuns, 1);
  ASSERT_EQ(windows.fonts.size(), 2u)
      << "the setup dialog's information font and the calibration prompts' font, made once";
  EXPECT_EQ(windows.fonts[0].face, "Arial");
  EXPECT_TRUE(InOrder(windows.Log(), {"run 132", "close 132", "ended 132 2", "ended 102 2"}));
  EXPECT_TRUE(MouseTrailsOffLast());
  EXPECT_NE(store.Read("X Movement Filter"), 40) << "Cancel stores nothing";
}

// Both keyboards open from the tray menu with the panel as owner, the LARGE one nested in the
// normal one's run; Close then closes them first, normal before LARGE, and types nothing.
TEST_F(MainPanelTest, KeyboardsOpenFromTheTrayMenuAndCloseFirstOnClose) {
  Controller("COM5:");
  windows.scripts[id::kKeyboardDialog] = [&](WindowHandle normal) {
    EXPECT_EQ(windows.WindowState(normal).owner, panel);
    windows.Command(normal, 1027);  // "q"
    TrayMenuCommand(id::kShowLargeKeyboardCommand);
  };
  windows.scripts[id::kLargeKeyboardDialog] = [&](WindowHandle large) {
    EXPECT_EQ(windows.WindowState(large).owner, panel);
    TrayMenuCommand(id::kShowKeyboardCommand);  // already open: no second window
    TrayMenuCommand(id::kCloseCommand);
  };
  Run([&](WindowHandle) { TrayMenuCommand(id::kShowKeyboardCommand); });
  const Log log = windows.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "run 133"), 1);
  EXPECT_TRUE(InOrder(log, {"run 133", "run 134", "close 133", "close 134", "ended 134 2",
                            "ended 133 2", "ended 102 2"}));
  EXPECT_EQ(keys.events, "+51 -51");
  EXPECT_TRUE(MouseTrailsOffLast());
}

// The "Calibration" command: capture only while its dialog runs, a dialog that is never shown
// twice at once, a second run that starts at step 0, and a Close that ends it first.
TEST_F(MainPanelTest, CalibrationCommandRunsTheDialogWithTheDecoderCapturing) {
  FakeLine& line = Controller("COM5:");
  auto writesOf = [&](const std::string& name) {
    const auto writes = store.Writes();
    return std::count(writes.begin(), writes.end(), name);
  };
  // A finger held for a hundred reports, then the dialog sees a press.
  auto captureAndPress = [&](WindowHandle dialog) {
    const auto before = writesOf("Click Value Y");
    Send(line, 0x81, 600, 700, 100);
    EXPECT_TRUE(WaitUntil([&] { return writesOf("Click Value Y") > before; }));
    windows.LeftButtonDown(dialog);
  };
  std::vector<long> cornersPerRun;
  windows.scripts[id::kCalibrationDialog] = [&](WindowHandle dialog) {
    EXPECT_FALSE(windows.WindowState(panel).enabled) << "owned by the panel";
    EXPECT_EQ(windows.cursorCount, -1);
    const auto before = writesOf("Click Value Left Bottom X");
    captureAndPress(dialog);
    cornersPerRun.push_back(writesOf("Click Value Left Bottom X") - before);
    if (cornersPerRun.size() == 1) {
      TrayMenuCommand(id::kCalibrationCommand);  // chosen again while open
      captureAndPress(dialog);                   // still capturing
      windows.Command(dialog, kIdCancel);
    } else {
      TrayMenuCommand(id::kCloseCommand);
    }
  };
  Run([&](WindowHandle h) {
    TrayMenuCommand(id::kCalibrationCommand);
    EXPECT_TRUE(windows.WindowState(h).enabled);
    EXPECT_EQ(windows.cursorCount, 0);
    Send(line, 0x81, 600, 700);
    EXPECT_TRUE(WaitUntil([&] { return CountStartingWith(log.Descriptions(), "move") > 0; }))
        << "the pointer follows touches again after the run";
    TrayMenuCommand(id::kCalibrationCommand);
  });
  EXPECT_EQ(cornersPerRun, (std::vector<long>{1, 0}))
      << "the second run spends its first capture on reaching the first corner";
  const Log order = windows.Log();
  EXPECT_EQ(std::count(order.begin(), order.end(), "run 129"), 2) << "never twice at once";
  EXPECT_TRUE(Contains(order, "close 129"));
  EXPECT_EQ(Log(order.end() - 2, order.end()), (Log{"ended 129 2", "ended 102 2"}))
      << "the open dialog ends first";
  EXPECT_EQ(windows.cursorCount, 0);
}

// Without a notification area the panel is the way to every command, and stays reachable.
TEST_F(MainPanelTest, WithoutANotificationAreaThePanelCarriesTheCommands) {
  struct Step {
    const char* legend;
    bool icon;
    bool hideEnabled;
    bool visible;
    bool commandsInContextMenu;
    std::function<void(WindowHandle)> act;
  };
  const std::vector<MenuEntry> trayMenu = *resources::LoadMenuPopup(id::kTrayMenu, 0);
  const Step steps[] = {
      {"no host at start", false, false, true, true, [](WindowHandle) {}},
      {"Hide (Enter reaches it) does nothing", false, false, true, true,
       [&](WindowHandle h) { windows.Command(h, id::kHideButton); }},
      {"Show on top from the context menu", false, false, true, true,
       [&](WindowHandle h) { windows.Command(h, id::kShowOnTopCommand); }},
      {"a host appears: the icon comes", true, true, true, false,
       [&](WindowHandle) { windows.SetTrayHost(true); }},
      {"Hide works again", true, true, false, false,
       [&](WindowHandle h) { windows.Command(h, id::kHideButton); }},
      {"the host goes: the hidden panel comes back", false, false, true, true,
       [&](WindowHandle) { windows.SetTrayHost(false); }},
  };
  FakeLogSink logged;
  windows.trayHost = false;
  Controller("COM5:");
  Run([&](WindowHandle h) {
    for (const Step& step : steps) {
      SCOPED_TRACE(step.legend);
      step.act(h);
      EXPECT_EQ(windows.trayIcons.size(), step.icon ? 1u : 0u);
      EXPECT_EQ(windows.ControlState(h, id::kHideButton).enabled, step.hideEnabled);
      EXPECT_EQ(windows.WindowState(h).visible, step.visible);
      const auto commands = windows.ContextMenu(h);
      EXPECT_EQ(commands.size(), step.commandsInContextMenu ? trayMenu.size() : 0u);
    }
    // The same entries as the tray menu, with "Show on top" marked as it is now (off).
    std::vector<MenuEntry> expected = trayMenu;
    expected.front().checked = false;
    EXPECT_EQ(windows.ContextMenu(h), expected);
    windows.Command(h, id::kCloseCommand);
  });
  EXPECT_FALSE(windows.WatchingTrayHost()) << "the watch ends with the panel";
  EXPECT_EQ(CountStartingWith(logged.Lines(), "No notification"), 2)
      << "once at start, once when the host went";
}

// A later start asks the running one forward and ends without opening anything.
TEST_F(MainPanelTest, SecondStartBringsThePanelForwardAndEndsItself) {
  struct Row {
    const char* legend;
    bool otherRunning;
    bool hideFirst;
    bool claimed;
  };
  const Row rows[] = {
      {"second start: the hidden panel comes back", false, true, true},
      {"start while one runs ends at once", true, false, false},
  };
  Controller("COM5:");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeLogSink logged;
    FakeSingleInstance instance;
    instance.otherRunning = row.otherRunning;
    const size_t opened = ports.Opened().size();
    const size_t logSize = windows.Log().size();
    TouchApp app(Platform(), "tavrel");
    windows.scripts[id::kPanelDialog] = [&](WindowHandle h) {
      instance.SecondStart();                     // at once: during start-up the request is dropped
      windows.Command(h, id::kShowOnTopCommand);  // not topmost, so raising is visible
      if (row.hideFirst) windows.Command(h, id::kHideButton);
      instance.SecondStart();
      EXPECT_TRUE(windows.WindowState(h).visible);
      EXPECT_EQ(windows.Log().back(), "place 102 948,651") << "raised where it was";
      windows.Close(h);
    };
    ASSERT_EQ(app.ClaimInstance(instance), row.claimed);
    if (row.claimed) app.InitInstance();
    EXPECT_EQ(ports.Opened().size() > opened, row.claimed);
    EXPECT_EQ(windows.Log().size() > logSize, row.claimed) << "no window, no icon";
    EXPECT_EQ(CountStartingWith(logged.Lines(), "Already running") > 0, !row.claimed);
  }
}

}  // namespace
}  // namespace tavrel
