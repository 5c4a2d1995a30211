#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"
#include "tests/e2e/e2e_support.h"

namespace tavrel::e2e {
namespace {

namespace id = resource_id;

// A small text client of its own connection: it holds the keyboard focus and collects what is
// typed into it, Return as a newline.
class TextClient {
 public:
  explicit TextClient(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 40, 40, 300, 120, 0, 0,
                                  0xFFFFFF);
    XStoreName(display_, window_, "text client");
    XSelectInput(display_, window_, KeyPressMask);
    XMapWindow(display_, window_);
    XSync(display_, False);
  }
  ~TextClient() { XCloseDisplay(display_); }
  Window Id() const { return window_; }

  // What was typed so far, once it is at least `length` characters long or the wait is over.
  std::string Text(size_t length) {
    WaitFor([&] {
      Read();
      return text_.size() >= length;
    });
    return text_;
  }

 private:
  void Read() {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type != KeyPress) continue;
      char typed[8];
      KeySym sym = NoSymbol;
      const int length = XLookupString(&event.xkey, typed, sizeof typed, &sym, nullptr);
      if (sym == XK_Return) {
        text_ += '\n';
      } else if (length == 1 && typed[0] >= 0x20) {
        text_ += typed[0];
      }
    }
  }

  Display* display_;
  Window window_;
  std::string text_;
};

// Windows come and go while the test lists them (menus, the keyboards): a request about one
// that has just gone fails, and Xlib's default handler would end the test for it.
int IgnoreVanishedWindow(Display*, XErrorEvent*) { return 0; }

class KeyboardEndToEndTest : public TavrelEndToEndTest {
 protected:
  void SetUp() override {
    XSetErrorHandler(IgnoreVanishedWindow);
    TavrelEndToEndTest::SetUp();
  }
  // Chooses a tray menu entry from the keyboard: Down n times counts from the top, Up from the
  // bottom.
  void ChooseFromTrayMenu(KeySym arrow, int times) {
    ASSERT_TRUE(rig.ChooseFromTrayMenu(arrow, times));
  }
  // Clicks the centre of the key as the layout's template places it in the open window.
  void ClickKey(const Found& keyboard, int32_t layout, int32_t key) {
    for (const auto& control : resources::FindDialog(layout)->controls) {
      if (control.id != key) continue;
      desktop.Click(
          keyboard.x + resources::DluToPixelsX(control.x) + resources::DluToPixelsX(control.cx) / 2,
          keyboard.y + resources::DluToPixelsY(control.y) +
              resources::DluToPixelsY(control.cy) / 2);
      return;
    }
    ADD_FAILURE() << "no key " << key;
  }
  // What a window manager's close box does: ask the window to close.
  void CloseBox(const Found& window) {
    Display* display = XOpenDisplay(xvfb.Display().c_str());
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window.window, False, NoEventMask, &event);
    XCloseDisplay(display);
  }
  // The program with the emulator as its controller; the emulator lasts until the test ends.
  Child StartOnEmulator() {
    sim::EmulatorOptions options;
    options.machineDir = machine.string();
    options.pace = false;
    emulator.emplace(options);
    EXPECT_TRUE(emulator->Start()) << emulator->Error();
    return StartTavrel();
  }
  // With TAVREL_E2E_SCREENSHOTS set to a directory, saves the screen there as name.png.
  void Screenshot(const std::string& name) {
    const char* directory = std::getenv("TAVREL_E2E_SCREENSHOTS");
    if (directory == nullptr) return;
    const std::string command = "xwd -root -display " + xvfb.Display() + " | convert xwd:- " +
                                std::string(directory) + "/" + name + ".png";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }

  std::optional<sim::ControllerEmulator> emulator;
};

bool IsLargeKeyboard(const Found& w) { return w.name == "Morvane Virtual Keyboard LARGE"; }
bool IsNormalKeyboard(const Found& w) {
  return w.program == "tavrel" && w.width == 362 && w.height == 140;
}

TEST_F(KeyboardEndToEndTest, BothKeyboardsTypeIntoTheFocusedClientWhichKeepsTheFocus) {
  Child tavrel = StartOnEmulator();
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << "no panel; windows:" << Describe(desktop.Windows());
  TextClient client(xvfb.Display());
  desktop.SetFocus(client.Id());

  ChooseFromTrayMenu(XK_Down, 4);  // "Show Keyboard LARGE"
  const auto large = desktop.WaitWindow(IsLargeKeyboard);
  ASSERT_TRUE(large.has_value()) << "no LARGE keyboard; windows:" << Describe(desktop.Windows());
  EXPECT_EQ(large->program, "tavrel");
  EXPECT_EQ(large->width, 555);
  EXPECT_EQ(large->height, 223);
  EXPECT_EQ(large->x, 234) << "centred";
  EXPECT_EQ(large->y, 495) << "above the bottom margin, clear of the panel";
  EXPECT_EQ(desktop.Focus(), client.Id()) << "opening takes no focus";
  Screenshot("keyboard-large");
  for (int32_t key : {1033, 1044, 1029, 1047, 1047, 1037, id::kKeyReturn}) {
    ClickKey(*large, id::kLargeKeyboardDialog, key);
    EXPECT_EQ(desktop.Focus(), client.Id()) << "key " << key;
  }
  EXPECT_EQ(client.Text(6), "Hello\n");
  CloseBox(*large);
  EXPECT_TRUE(WaitFor([&] { return !desktop.Find(IsLargeKeyboard); }));

  ChooseFromTrayMenu(XK_Down, 3);  // "Show keyboard"
  const auto normal = desktop.WaitWindow(IsNormalKeyboard);
  ASSERT_TRUE(normal.has_value()) << "no keyboard; windows:" << Describe(desktop.Windows());
  // Its caption is empty; Qt shows the program's name in an empty title's place.
  EXPECT_EQ(normal->name, "tavrel");
  EXPECT_EQ(normal->x, 331);
  EXPECT_EQ(normal->y, 578);
  Screenshot("keyboard-normal");
  ClickKey(*normal, id::kKeyboardDialog, 1027);  // "q"
  EXPECT_EQ(client.Text(7), "Hello\nq");
  EXPECT_EQ(desktop.Focus(), client.Id());

  // Close with the keyboard open: it goes first, then the program ends.
  ChooseFromTrayMenu(XK_Up, 1);
  EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(0)) << Output();
  EXPECT_FALSE(desktop.Find(IsNormalKeyboard));
}

// Under a window manager that gives the focus on a click, neither the keys nor the keyboard's
// title bar take the focus from the client.
TEST_F(KeyboardEndToEndTest, UnderAWindowManagerTheKeyboardStillNeverTakesTheFocus) {
  Child windowManager({"openbox", "--sm-disable"}, {"DISPLAY=" + xvfb.Display()});
  ASSERT_TRUE(WaitFor([&] {
    const auto all = desktop.Windows();
    return std::any_of(all.begin(), all.end(), [](const Found& w) { return w.name == "Openbox"; });
  })) << "openbox did not start";
  Child tavrel = StartOnEmulator();
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << "no panel; windows:" << Describe(desktop.Windows());
  TextClient client(xvfb.Display());
  const auto clientWindow =
      desktop.WaitWindow([&](const Found& w) { return w.window == client.Id(); });
  ASSERT_TRUE(clientWindow.has_value());
  desktop.Click(clientWindow->x + 150, clientWindow->y + 60);
  ASSERT_TRUE(WaitFor([&] { return desktop.Focus() == client.Id(); })) << "the click focuses it";

  ChooseFromTrayMenu(XK_Down, 4);
  const auto large = desktop.WaitWindow(IsLargeKeyboard);
  ASSERT_TRUE(large.has_value()) << "no LARGE keyboard; windows:" << Describe(desktop.Windows());
  EXPECT_GE(large->x, 0);
  EXPECT_LE(large->y + large->height, 768) << "fully visible";
  desktop.Click(large->x + large->width / 2, large->y - 8);  // its title bar
  for (int32_t key : {1044, 1036, id::kKeyReturn}) {
    ClickKey(*large, id::kLargeKeyboardDialog, key);
    EXPECT_EQ(desktop.Focus(), client.Id()) << "key " << key;
  }
  EXPECT_EQ(client.Text(3), "hi\n");
  Screenshot("keyboard-window-manager");
  ChooseFromTrayMenu(XK_Up, 1);
  EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(0)) << Output();
}

// A latched modifier outlives the keyboard's window, but not the program, however it ends.
TEST_F(KeyboardEndToEndTest, EveryWayOutReleasesTheModifiersTheKeyboardHolds) {
  struct Row {
    const char* legend;
    std::function<void(Child&)> end;
    int status;
  };
  const auto signal = [](int number) {
    return [number](Child& tavrel) { ::kill(tavrel.Pid(), number); };
  };
  const Row rows[] = {
      {"Close from the tray menu", [this](Child&) { ChooseFromTrayMenu(XK_Up, 1); }, 0},
      {"SIGTERM", signal(SIGTERM), 0},
      {"SIGINT", signal(SIGINT), 0},
      {"SIGHUP, as when the session's terminal goes", signal(SIGHUP), 0},
      {"the display connection lost: the toolkit ends the program",
       [this](Child&) { desktop.KillClient(desktop.WaitWindow(IsPanel)->window); }, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    Child tavrel = StartOnEmulator();
    ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << "no panel; windows:" << Describe(desktop.Windows());
    ChooseFromTrayMenu(XK_Down, 3);
    const auto keyboard = desktop.WaitWindow(IsNormalKeyboard);
    ASSERT_TRUE(keyboard.has_value());
    for (int32_t key : {1094, 1033, 1095, 1097}) ClickKey(*keyboard, id::kKeyboardDialog, key);
    ASSERT_TRUE(WaitFor([&] { return desktop.KeysDown().size() == 4; }))
        << "Ctrl, Shift, Alt and AltGR latched: " << desktop.KeysDown().size() << " down";
    row.end(tavrel);
    EXPECT_EQ(tavrel.Wait(10s), std::optional<int>(row.status)) << Output();
    EXPECT_EQ(desktop.KeysDown(), std::vector<int>{}) << Output();
    EXPECT_TRUE(WaitFor([&] { return !desktop.Find(IsTrayIcon); })) << "the icon is gone";
  }
}

}  // namespace
}  // namespace tavrel::e2e
