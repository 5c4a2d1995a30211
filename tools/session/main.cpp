// tavrel-session: the headless half of make run. The real program on a private Xvfb with trayer
// as the tray host and the emulator on COM5, a short session played on it (detection, a tap, a
// drag, a right click through the panel, the tray menu, a calibration, Close), screenshots, and
// an account of what happened, one line a step.
//
// Usage: tavrel-session [PROGRAM]   (default: tavrel next to this program)
// TAVREL_MACHINE_DIR: the machine directory to use; a temporary one when unset.
// TAVREL_SCREENSHOT: where the screenshot goes (default run.png next to this program).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/desktop_rig.h"
#include "testing/program_rig.h"
#include "testing/raw_event_watcher.h"
#include "tools/sim/touch_script.h"

// Last: Xlib's macros clash with the headers above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace tavrel::session {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kWidth = 1024, kHeight = 768;

void Account(const std::string& line) {
  std::printf("  %s\n", line.c_str());
  std::fflush(stdout);
}

std::string Environment(const char* name, const std::string& otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : otherwise;
}

// The emulator's log, a line per request, as tavrel-sim writes it on standard error.
class EmulatorLog {
 public:
  void Add(const std::string& line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
  }
  // How many lines match, as grep -c counts them.
  size_t Count(const std::string& pattern) const {
    const std::regex match(pattern);
    std::lock_guard lock(mutex_);
    size_t count = 0;
    for (const std::string& line : lines_) count += std::regex_search(line, match);
    return count;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// The calibrated corners in the settings file, as "Left Bottom X 200; ...".
std::string StoredCorners(const fs::path& settings) {
  static const std::regex corner(R"re("Click Value ([LR][^"]*)"=dword:([0-9a-fA-F]+))re");
  std::istringstream in(FileText(settings));
  std::string corners;
  std::smatch found;
  for (std::string line; std::getline(in, line);) {
    if (!std::regex_search(line, found, corner)) continue;
    if (!corners.empty()) corners += "; ";
    corners += found[1].str() + " " + std::to_string(std::stol(found[2].str(), nullptr, 16));
  }
  return corners;
}

// Set once an ending signal has come: the thread that took it ends the children and the process.
std::atomic<bool> interrupted{false};
XIOErrorHandler xlibEnds = nullptr;

// Without its display, Xlib ends the process; after an interrupt the thread that took it does,
// once it has removed the session's files.
int DisplayGone(Display* display) {
  while (interrupted) ::pause();
  return xlibEnds(display);
}

sigset_t EndingSignals() {
  sigset_t ending;
  sigemptyset(&ending);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal);
  return ending;
}

class Session {
 public:
  // log: the program's output, removed at the end.
  Session(std::string program, const fs::path& machine, std::string screenshot, fs::path log)
      : program_(std::move(program)),
        screenshot_(std::move(screenshot)),
        rig_("session", kWidth, kHeight, machine),
        watcher_(rig_.Display()),
        log_(std::move(log)) {}
  ~Session() {
    tavrel_.reset();
    std::error_code ignored;
    fs::remove(log_, ignored);
  }

  int Run() {
    if (!Start()) return 1;
    Detection();
    TapAndDrag();
    RightClick();
    Calibrate();
    return Close();
  }

 private:
  // The display, the tray host, the watcher, the emulator on COM5 and the program, until its
  // panel shows.
  bool Start() {
    sim::EmulatorOptions options;
    options.log = [this](const std::string& line) { emulatorLog_.Add(line); };
    if (!rig_.Error().empty() || !rig_.StartEmulator(options)) return Fail(rig_.Error());
    if (!rig_.StartTray({"--transparent", "false", "--tint", "0xd0d0d0"}))
      return Fail("trayer did not start");
    if (!watcher_.WaitWatching(10s)) return Fail("no XI2 raw events on the display");
    tavrel_.emplace(rig_.StartProgram({program_}, {}, log_));
    std::printf("Headless session on display %s, machine directory %s\n", rig_.Display().c_str(),
                rig_.Machine().c_str());
    if (!rig_.Screen().WaitWindow(IsPanel)) return Fail("the panel did not appear\n" + Output());
    return true;
  }

  void Detection() {
    // The counts once the corners have been read, so that they are the whole detection's.
    WaitFor([this] { return Output().find("calibration read") != std::string::npos; }, 20s);
    Buttons();
    Account("detection: " + std::to_string(emulatorLog_.Count("request")) +
            " requests answered on COM5 (" + std::to_string(emulatorLog_.Count("43 0[0-7]$")) +
            " calibration words read)");
    const auto panel = rig_.Screen().Find(IsPanel);
    panel_ = {panel->x, panel->y};
    Account("panel: 66 x 67 at (" + std::to_string(panel_.first) + ", " +
            std::to_string(panel_.second) + "), bottom-right corner of the 1024 x 768 screen");
    if (rig_.Screen().WaitWindow(IsTrayIcon)) Account("tray icon: shown by trayer");
  }

  void TapAndDrag() {
    TouchAndRelease("tap 1024 1024");
    Account("tap at raw (1024, 1024): pointer now " + Pointer() + "; buttons: " + Buttons());
    TouchAndRelease("drag 300 300 1700 1500 12");
    Account("drag from raw (300, 300) to (1700, 1500): pointer now " + Pointer() +
            "; buttons: " + Buttons());
  }

  // "Right click" on the panel, then a touch: one right click, and the plain image comes back.
  // The screenshot is taken in between, with the button's "Right" image and the tray menu
  // showing.
  void RightClick() {
    Desktop& screen = rig_.Screen();
    screen.Click(panel_.first + 32, panel_.second + 18);
    rig_.OpenTrayMenu();
    Screenshot(screenshot_);
    screen.Key(XK_Escape);
    WaitFor([&] { return !screen.Find(IsTrayMenu); });
    // A press on the icon that follows the menu's closing too closely opens nothing.
    std::this_thread::sleep_for(800ms);
    Buttons();
    TouchAndRelease("tap 1500 600");
    Account("right click through the panel, then a tap at raw (1500, 600): buttons: " + Buttons());
    const fs::path settings = rig_.Machine() / "settings.reg";
    Account("stored values: " + std::to_string(LinesContaining(FileText(settings), "dword")) +
            " in " + settings.string());
    Account("screenshot: " + screenshot_ + " (right-click mode on, tray menu open)");
  }

  // Calibration, the menu's fifth entry: a finger held on each target in turn (110 reports
  // each), then "Calibration OK" confirmed; the corners go to the settings file and the
  // controller.
  void Calibrate() {
    Desktop& screen = rig_.Screen();
    rig_.ChooseFromTrayMenu(XK_Down, 5);
    screen.WaitWindow(IsCalibration);
    // The first target drawn on the fresh window.
    std::this_thread::sleep_for(500ms);
    const std::string shot =
        fs::path(screenshot_).replace_extension().string() + "-calibration.png";
    Screenshot(shot);
    for (const char* corner : {"200 1800", "1850 250", "1860 1790", "210 240"}) {
      Touch("drag " + std::string(corner) + " " + corner + " 110");
      // The next target comes while the finger is down; a moment after the lift for the step.
      std::this_thread::sleep_for(300ms);
    }
    const auto box = screen.WaitWindow([](const Found& w) { return w.name == "Calibration OK"; });
    if (!box) {
      Account("calibration: no \"Calibration OK\" box appeared");
      return;
    }
    screen.SetFocus(box->window);
    screen.Key(XK_Return);
    WaitFor([&] { return !screen.Find(IsCalibration); }, 30s);
    Account("calibration: corners in the settings file: " +
            StoredCorners(rig_.Machine() / "settings.reg"));
    Account("calibration: " + std::to_string(emulatorLog_.Count("0A 04 42")) +
            " word writes to the controller; screenshot of the first target: " + shot);
  }

  // Close, the menu's last item: Up from no selection wraps to it.
  int Close() {
    Desktop& screen = rig_.Screen();
    rig_.ChooseFromTrayMenu(XK_Up, 1);
    const std::optional<int> status = tavrel_->Wait(5s);
    if (!status) {
      std::fprintf(stderr, "tavrel did not end after Close\n");
      return 1;
    }
    const bool iconGone = WaitFor([&] { return !screen.Find(IsTrayIcon); }, 2s);
    Account("Close from the tray menu: tavrel ended with status " + std::to_string(*status) +
            "; icon gone: " + (iconGone ? "yes" : "no"));
    return *status;
  }

  void Touch(const std::string& command) {
    sim::TouchScript(rig_.Emulator()).Run(command);
    rig_.Emulator().WaitSent(30s);
  }
  // A touch that ends with a release of the pointer's button.
  void TouchAndRelease(const std::string& command) {
    Touch(command);
    WaitFor([this] {
      const std::vector<RawEventWatcher::Button> buttons = watcher_.Buttons();
      for (size_t i = seen_; i < buttons.size(); ++i) {
        if (!buttons[i].pressed) return true;
      }
      return false;
    });
  }

  // The button presses and releases since the last call, as "press 1,release 1".
  std::string Buttons() {
    const std::vector<RawEventWatcher::Button> buttons = watcher_.Buttons();
    std::string text;
    for (size_t i = seen_; i < buttons.size(); ++i) {
      if (!text.empty()) text += ",";
      text += (buttons[i].pressed ? "press " : "release ") + std::to_string(buttons[i].number);
    }
    seen_ = buttons.size();
    return text;
  }

  std::string Pointer() {
    const auto [x, y] = rig_.Screen().Pointer();
    return "x:" + std::to_string(x) + " y:" + std::to_string(y);
  }

  void Screenshot(const std::string& file) {
    Child({"import", "-window", "root", file}, {"DISPLAY=" + rig_.Display()}).Wait(30s);
  }

  std::string Output() const { return FileText(log_); }

  bool Fail(const std::string& why) {
    std::fprintf(stderr, "tavrel-session: %s\n", why.c_str());
    return false;
  }

  static bool IsCalibration(const Found& w) {
    return w.program == "tavrel" && w.width == kWidth && w.height == kHeight;
  }

  std::string program_;
  std::string screenshot_;
  EmulatorLog emulatorLog_;
  DesktopRig rig_;
  RawEventWatcher watcher_;
  fs::path log_;
  std::optional<Child> tavrel_;
  std::pair<int, int> panel_;
  size_t seen_ = 0;
};

}  // namespace
}  // namespace tavrel::session

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace tavrel::session;
  // Interrupted, the session still ends what it started (main thread only, by waiting).
  const sigset_t ending = EndingSignals();
  pthread_sigmask(SIG_BLOCK, &ending, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  xlibEnds = XSetIOErrorHandler(DisplayGone);
  const fs::path here = fs::read_symlink("/proc/self/exe").parent_path();
  const std::string program = argc > 1 ? argv[1] : (here / "tavrel").string();
  const fs::path given = Environment("TAVREL_MACHINE_DIR", "");
  const std::string screenshot = Environment("TAVREL_SCREENSHOT", (here / "run.png").string());
  const fs::path log =
      fs::temp_directory_path() / ("tavrel-session-" + std::to_string(::getpid()) + ".log");
  std::vector<fs::path> leftovers = {log};
  leftovers.push_back(given.empty() ? tavrel::MachineDirectory("session")
                                    : given / "ports" / "COM5");
  std::thread([ending, leftovers] {
    int signal = 0;
    sigwait(&ending, &signal);
    interrupted = true;
    tavrel::EndChildren();
    tavrel::WaitFor([] { return ::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }, 3s);
    std::error_code ignored;
    for (const fs::path& path : leftovers) fs::remove_all(path, ignored);
    _exit(128 + signal);
  }).detach();
  return Session(program, given, screenshot, log).Run();
}
