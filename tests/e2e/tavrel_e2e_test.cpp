#include <X11/keysym.h>
#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "platform/linux/serial_ports.h"
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

// A terminal where nothing answers; its far side stays open while the object lives.
class SilentTerminal {
 public:
  SilentTerminal() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
    ::grantpt(master_);
    ::unlockpt(master_);
  }
  ~SilentTerminal() { ::close(master_); }
  std::string Path() const { return ::ptsname(master_); }

 private:
  int master_;
};

enum class Com1 { kMissing, kSilent, kUnreadable };

// Every port name leads nowhere, but COM1 as the row says, so the scan never touches the
// machine's own serial ports.
void LinkPorts(const fs::path& ports, Com1 com1, const SilentTerminal& terminal) {
  for (int n = 1; n <= 10; ++n) {
    const bool terminalHere = n == 1 && com1 != Com1::kMissing;
    fs::create_symlink(terminalHere ? terminal.Path() : "/nonexistent",
                       ports / ("COM" + std::to_string(n)));
  }
}

TEST_F(TavrelEndToEndTest, WithoutAControllerTheBoxAppearsTheLogSaysWhyAndTheExitStatusIsOne) {
  struct Row {
    const char* legend;
    Com1 com1;
    std::vector<std::string> args;
    std::string logged;
  };
  const Row rows[] = {
      {"no port leads anywhere", Com1::kMissing, {}, "COM1: cannot be opened: "},
      {"a terminal where nothing answers", Com1::kSilent, {}, "COM1: opens, but no controller"},
      {"a terminal the user may not open", Com1::kUnreadable, {}, "permission denied (owner "},
      {"--wait: the scan goes on until the time is up",
       Com1::kMissing,
       {"--wait", "1"},
       "no controller yet; looking again every 2 s for up to 1 s"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    fs::remove_all(machine);
    fs::create_directories(machine / "ports");
    fs::permissions(machine, fs::perms::all);
    SilentTerminal terminal;
    LinkPorts(machine / "ports", row.com1, terminal);
    // Root may open anything: it runs as nobody then, and the terminal is its group's only.
    std::vector<std::string> otherUser;
    std::string advice;
    if (row.com1 == Com1::kUnreadable && ::geteuid() == 0) {
      const struct group* dialout = ::getgrnam("dialout");
      ASSERT_NE(dialout, nullptr);
      ASSERT_EQ(::chown(terminal.Path().c_str(), 0, dialout->gr_gid), 0);
      ASSERT_EQ(::chmod(terminal.Path().c_str(), 0660), 0);
      otherUser = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
      advice = "group dialout, mode 0660): join the group dialout";
    } else if (row.com1 == Com1::kUnreadable) {
      ASSERT_EQ(::chmod(terminal.Path().c_str(), 0), 0);
      advice = "mode 0000): not even its group";
    }
    Child tavrel = StartTavrel({}, "tavrel.log", row.args, otherUser);
    const auto box = desktop.WaitWindow([](const Found& w) { return w.name == "Debugging..."; });
    ASSERT_TRUE(box.has_value()) << "no message box; windows:" << Describe(desktop.Windows())
                                 << Output();
    EXPECT_FALSE(desktop.Find(IsPanel)) << "the panel is never shown";
    EXPECT_TRUE(desktop.Find(IsTrayIcon)) << "the icon is added before detection";
    // There is no window manager to give the box the focus on a click.
    desktop.SetFocus(box->window);
    desktop.Key(XK_Return);
    EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(1)) << Output();
    const std::string log = Output();
    for (const std::string& line : std::vector<std::string>{
             row.logged, advice, "no controller on any port", "exit status 1",
             "COM2: cannot be opened: " + (machine / "ports" / "COM2").string() +
                 " (/nonexistent): No such file or directory"}) {
      EXPECT_NE(log.find(line), std::string::npos) << line << " not in:\n" << log;
    }
    EXPECT_TRUE(WaitFor([&] { return !desktop.Find(IsTrayIcon); }));
  }
}

TEST_F(TavrelEndToEndTest, WithWaitAControllerThatComesLateIsFound) {
  LinkPorts(machine / "ports", Com1::kMissing, SilentTerminal());
  Child tavrel = StartTavrel({}, "tavrel.log", {"--wait", "60"});
  ASSERT_TRUE(WaitFor([&] { return Output().find("no controller yet") != std::string::npos; }))
      << Output();
  sim::EmulatorOptions options;
  options.machineDir = machine.string();
  options.pace = false;
  sim::ControllerEmulator emulator(options);
  ASSERT_TRUE(emulator.Start()) << emulator.Error();
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << Output();
  CloseFromTrayMenu(tavrel);
}

}  // namespace
}  // namespace tavrel::e2e
