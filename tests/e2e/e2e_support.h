#pragma once

// What the end-to-end tests share: a private Xvfb with trayer, the program as a child process,
// and a test connection that finds windows and injects input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/serial_ports.h"
#include "testing/program_rig.h"
#include "testing/spawn.h"
#include "testing/xvfb_server.h"
#include "tools/sim/controller_emulator.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

extern "C" char** environ;

namespace tavrel::e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A program started by the test, with extra environment, ended when the object goes.
class Child {
 public:
  // The program's output goes to the file output, or nowhere.
  Child(std::vector<std::string> args, const std::vector<std::string>& env,
        const std::string& output = "/dev/null")
      : pid_(SpawnWithOutput(std::move(args), env, output)) {}
  ~Child() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  // The exit status once the program has ended within the time-out.
  std::optional<int> Wait(std::chrono::milliseconds timeout) {
    int status = 0;
    if (!WaitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, timeout)) {
      return std::nullopt;
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

struct Found {
  Window window = 0;
  std::string name;
  std::string program;  // the class of its WM_CLASS
  int x = 0, y = 0, width = 0, height = 0;
  bool viewable = false;
};

// The test's own connection: finds windows, injects input, owns the focus client.
class Desktop {
 public:
  explicit Desktop(const std::string& name) : display_(XOpenDisplay(name.c_str())) {
    // A window may go between listing and looking at it; Xlib's default handler would end the
    // test, where the failed call's result already says enough.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  ~Desktop() {
    if (display_) XCloseDisplay(display_);
  }
  bool IsOpen() const { return display_ != nullptr; }

  std::vector<Found> Windows() {
    std::vector<Found> found;
    Collect(DefaultRootWindow(display_), found);
    return found;
  }
  std::optional<Found> Find(const std::function<bool(const Found&)>& match) {
    for (const Found& w : Windows()) {
      if (w.viewable && match(w)) return w;
    }
    return std::nullopt;
  }
  std::optional<Found> WaitWindow(const std::function<bool(const Found&)>& match) {
    std::optional<Found> found;
    WaitFor([&] { return (found = Find(match)).has_value(); });
    return found;
  }

  void Press(int x, int y, bool down, unsigned button = 1) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display_, button, down ? True : False, CurrentTime);
    XSync(display_, False);
  }
  void Click(int x, int y, unsigned button = 1) {
    Press(x, y, true, button);
    std::this_thread::sleep_for(50ms);
    Press(x, y, false, button);
    std::this_thread::sleep_for(200ms);
  }
  void Key(KeySym key) {
    const KeyCode code = XKeysymToKeycode(display_, key);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
    std::this_thread::sleep_for(100ms);
  }

  // A plain window of the test that holds the keyboard focus, as the application in use would.
  Window FocusClient() {
    Window client = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 100, 100, 200, 100,
                                        0, 0, 0xFFFFFF);
    XStoreName(display_, client, "focus client");
    XMapWindow(display_, client);
    XSync(display_, False);
    WaitFor([&] { return Find([&](const Found& w) { return w.window == client; }).has_value(); });
    SetFocus(client);
    return client;
  }
  void SetFocus(Window window) {
    XSetInputFocus(display_, window, RevertToParent, CurrentTime);
    XSync(display_, False);
  }
  // The keycodes the server holds down.
  std::vector<int> KeysDown() {
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    std::vector<int> down;
    for (int code = 0; code < 256; ++code) {
      if (keys[code / 8] & (1 << (code % 8))) down.push_back(code);
    }
    return down;
  }
  // Breaks the connection of the client that made the window, as a lost display does.
  void KillClient(Window window) {
    XKillClient(display_, window);
    XSync(display_, False);
  }

  Window Focus() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus;
  }

 private:
  void Collect(Window window, std::vector<Found>& found) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, window, &root, &parent, &children, &count)) return;
    for (unsigned i = 0; i < count; ++i) {
      Found w;
      w.window = children[i];
      XWindowAttributes attributes;
      if (!XGetWindowAttributes(display_, w.window, &attributes)) continue;
      w.name = Name(w.window);
      XClassHint hint{};
      if (XGetClassHint(display_, w.window, &hint)) {
        w.program = hint.res_class ? hint.res_class : "";
        XFree(hint.res_name);
        XFree(hint.res_class);
      }
      Window child = 0;
      XTranslateCoordinates(display_, w.window, root, 0, 0, &w.x, &w.y, &child);
      w.width = attributes.width;
      w.height = attributes.height;
      w.viewable = attributes.map_state == IsViewable;
      found.push_back(w);
      Collect(w.window, found);
    }
    if (children) XFree(children);
  }

  // The title as Qt sets it (_NET_WM_NAME, UTF-8), else WM_NAME.
  std::string Name(Window window) {
    const Atom netName = XInternAtom(display_, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display_, window, netName, 0, 256, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
      name.assign(reinterpret_cast<char*>(data), count);
      XFree(data);
    } else {
      char* plain = nullptr;
      if (XFetchName(display_, window, &plain) && plain) {
        name = plain;
        XFree(plain);
      }
    }
    return name;
  }

  Display* display_;
};

inline std::string Describe(const std::vector<Found>& windows) {
  std::string text;
  for (const Found& w : windows) {
    if (!w.viewable) continue;
    text += "\n  " + w.program + " \"" + w.name + "\" " + std::to_string(w.width) + "x" +
            std::to_string(w.height) + "+" + std::to_string(w.x) + "+" + std::to_string(w.y);
  }
  return text;
}

inline bool IsPanel(const Found& w) {
  return w.program == "tavrel" && w.width == 66 && w.height == 67;
}
inline bool IsTrayIcon(const Found& w) {
  return w.program == "tavrel" && w.width == 22 && w.height == 22;
}

class TavrelEndToEndTest : public ::testing::Test {
 protected:
  // The screen's size; fixtures for other sizes give their own.
  // withTray false: a desktop without a notification area, until the test calls StartTray.
  explicit TavrelEndToEndTest(int width = 1024, int height = 768, bool withTray = true)
      : xvfb(width, height), withTray_(withTray) {}
  void SetUp() override {
    ASSERT_FALSE(xvfb.Display().empty()) << "Xvfb did not start";
    ASSERT_TRUE(desktop.IsOpen());
    ASSERT_TRUE(fs::create_directories(machine / "ports"));
    if (withTray_) {
      ASSERT_TRUE(StartTray()) << "trayer did not start";
    }
  }
  void TearDown() override { fs::remove_all(machine); }

  // trayer as the tray host; true once its panel shows.
  bool StartTray() {
    tray.emplace(TrayCommand(), std::vector<std::string>{"DISPLAY=" + xvfb.Display()});
    return desktop.WaitWindow([](const Found& w) { return w.name == "panel"; }).has_value();
  }

  // An X11 session unless extraEnv says otherwise; the output goes to logName in the machine
  // directory.
  // The command line is the wrapper's words (such as another user's), the program, then args.
  Child StartTavrel(const std::vector<std::string>& extraEnv = {},
                    const std::string& logName = "tavrel.log",
                    const std::vector<std::string>& args = {},
                    std::vector<std::string> wrapper = {}) {
    std::vector<std::string> env = ProgramEnvironment(extraEnv, xvfb.Display(), machine);
    env.insert(env.end(), {"XDG_SESSION_TYPE=x11", "WAYLAND_DISPLAY="});
    wrapper.push_back(TAVREL_PROGRAM);
    wrapper.insert(wrapper.end(), args.begin(), args.end());
    return Child(wrapper, env, (machine / logName).string());
  }
  // Opens the tray icon's menu with a left-button press, as a user would; true once it shows.
  // Its entries are then chosen with the arrow keys and Return.
  bool OpenTrayMenu() {
    const auto icon = desktop.WaitWindow(IsTrayIcon);
    if (!icon) return false;
    desktop.Press(icon->x + 11, icon->y + 11, true);
    const auto menu = desktop.WaitWindow(
        [](const Found& w) { return w.program == "tavrel" && w.height > 150 && w.width < 400; });
    desktop.Press(icon->x + 11, icon->y + 11, false);
    return menu.has_value();
  }
  // Close, the tray menu's last entry, ends the program with status 0.
  void CloseFromTrayMenu(Child& tavrel) {
    ASSERT_TRUE(OpenTrayMenu()) << "the menu did not open on the press";
    desktop.Key(XK_Up);
    desktop.Key(XK_Return);
    EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(0)) << Output();
  }
  // What the program wrote, for failure messages.
  std::string Output() { return FileText(machine / "tavrel.log"); }

  XvfbServer xvfb;
  Desktop desktop{xvfb.Display()};
  fs::path machine = MachineDirectory("e2e");
  std::optional<Child> tray;

 private:
  bool withTray_;
};

}  // namespace tavrel::e2e
