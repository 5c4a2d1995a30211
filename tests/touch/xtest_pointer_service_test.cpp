#include "platform/x11/xtest_pointer_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "testing/xvfb_server.h"

// Last: Xlib's macros (None, Bool, Status) clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace tavrel {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(5);

TEST(ScaleAbsoluteTest, MapsOntoTheMonitor) {
  struct Row {
    const char* legend;
    int32_t value;
    int origin, size, pixel;
  };
  const Row rows[] = {
      {"left edge", 0, 0, 800, 0},
      {"factory left-bottom x on 800", 3335, 0, 800, 40},
      {"right edge", 65535, 0, 800, 799},
      {"monitor to the right of another", 65535, 1920, 1280, 3199},
      {"slightly negative truncates toward zero", -17, 0, 600, 0},
      {"outside the range is passed on", -65536, 100, 600, -500},
      {"held at the protocol's largest coordinate", INT32_MAX, 0, 65535, 32767},
      {"held at the protocol's smallest coordinate", INT32_MIN, 0, 1000, -32768},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ScaleAbsolute(row.value, row.origin, row.size), row.pixel) << row.legend;
  }
}

TEST(XTestPointerServiceTest, WithoutADisplayEventsAreRefused) {
  XTestPointerService pointer(":65000");
  EXPECT_FALSE(pointer.IsOpen());
  EXPECT_EQ(pointer.SendInput(MouseInput{}), 0u);
}

// A client of the test's own, to see what the server did with the injected events.
class Observer {
 public:
  explicit Observer(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}
  ~Observer() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  ::Display* get() const { return display_; }

  // Polls until the pointer is at (x, y), or the patience runs out; returns where it is.
  std::pair<int, int> WaitForPointer(int x, int y) {
    const auto deadline = Clock::now() + kPatience;
    std::pair<int, int> at;
    do {
      Window root, child;
      int winX, winY;
      unsigned int mask;
      XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &at.first, &at.second,
                    &winX, &winY, &mask);
      if (at == std::make_pair(x, y)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (Clock::now() < deadline);
    return at;
  }

  // The next event of the types in mask, or type 0 when none came in time.
  XEvent WaitForEvent(long mask) {
    XEvent event{};
    const auto deadline = Clock::now() + kPatience;
    while (!XCheckMaskEvent(display_, mask, &event)) {
      if (Clock::now() >= deadline) return XEvent{};
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return event;
  }

 private:
  ::Display* display_;
};

MouseInput Move(int32_t x, int32_t y) { return {x, y, 0, kMouseMove | kMouseAbsolute, 0, 0}; }
MouseInput Button(uint32_t flags) { return {0, 0, 0, flags, 0, 0}; }

TEST(XTestPointerServiceTest, MovesLandOnTheExpectedPixel) {
  struct Target {
    const char* legend;
    int32_t x, y;
    int pixelX, pixelY;
  };
  struct Screen {
    int width, height;
    std::vector<Target> targets;
  };
  const Screen screens[] = {
      {800,
       600,
       {{"factory left-bottom (102, 102) at (40.7, 569.6)", 3335, 62220, 40, 569},
        {"factory right-top", 63601, 2355, 776, 21},
        {"origin", 0, 0, 0, 0},
        {"middle", 32768, 32768, 400, 300},
        {"far corner", 65535, 65535, 799, 599},
        {"beyond the range the server clamps", 65563, -17, 799, 0},
        {"far beyond the range too", 100000000, -100000000, 799, 0}}},
      {1280,
       1024,
       {{"factory left-bottom", 3335, 62220, 65, 972},
        {"far corner", 65535, 65535, 1279, 1023},
        {"top right", 65535, 0, 1279, 0}}},
  };
  for (const Screen& screen : screens) {
    SCOPED_TRACE(::testing::Message() << screen.width << "x" << screen.height);
    XvfbServer server(screen.width, screen.height);
    ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
    XTestPointerService pointer(server.Display());
    ASSERT_TRUE(pointer.IsOpen());
    EXPECT_EQ(pointer.Monitor(), (MonitorRect{0, 0, screen.width, screen.height}));
    Observer observer(server.Display());
    ASSERT_NE(observer.get(), nullptr);
    for (const Target& target : screen.targets) {
      EXPECT_EQ(pointer.SendInput(Move(target.x, target.y)), 1u);
      EXPECT_EQ(observer.WaitForPointer(target.pixelX, target.pixelY),
                std::make_pair(target.pixelX, target.pixelY))
          << target.legend;
    }
  }
}

TEST(XTestPointerServiceTest, WithoutXTestEventsAreRefused) {
  XvfbServer server(800, 600, {"-extension", "XTEST"});
  ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
  XTestPointerService pointer(server.Display());
  EXPECT_FALSE(pointer.IsOpen());
  EXPECT_EQ(pointer.SendInput(Move(0, 0)), 0u);
}

TEST(XTestPointerServiceTest, WithoutRandRTheWholeScreenServes) {
  XvfbServer server(800, 600, {"-extension", "RANDR"});
  ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
  XTestPointerService pointer(server.Display());
  ASSERT_TRUE(pointer.IsOpen());
  EXPECT_EQ(pointer.Monitor(), (MonitorRect{0, 0, 800, 600}));
  Observer observer(server.Display());
  EXPECT_EQ(pointer.SendInput(Move(3335, 62220)), 1u);
  EXPECT_EQ(observer.WaitForPointer(40, 569), std::make_pair(40, 569));
}

// The screen's one output shrinks to 400 × 300 at (100, 50) and becomes the primary output, as
// when a second monitor is plugged in beside it.
TEST(XTestPointerServiceTest, FollowsThePrimaryMonitor) {
  XvfbServer server(800, 600);
  ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
  XTestPointerService pointer(server.Display());
  ASSERT_TRUE(pointer.IsOpen());
  ASSERT_EQ(pointer.Monitor(), (MonitorRect{0, 0, 800, 600})) << "no primary output yet";

  Observer observer(server.Display());
  ::Display* display = observer.get();
  const Window root = DefaultRootWindow(display);
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
  ASSERT_NE(resources, nullptr);
  ASSERT_EQ(resources->noutput, 1);
  RROutput output = resources->outputs[0];
  XRROutputInfo* info = XRRGetOutputInfo(display, resources, output);
  char name[] = "400x300";
  XRRModeInfo mode{};
  mode.width = 400;
  mode.height = 300;
  mode.dotClock = 1000000;
  mode.hTotal = 400;
  mode.vTotal = 300;
  mode.name = name;
  mode.nameLength = sizeof name - 1;
  const RRMode small = XRRCreateMode(display, root, &mode);
  XRRAddOutputMode(display, output, small);
  ASSERT_EQ(XRRSetCrtcConfig(display, resources, info->crtc, CurrentTime, 100, 50, small,
                             RR_Rotate_0, &output, 1),
            RRSetConfigSuccess);
  XRRSetOutputPrimary(display, root, output);
  XSync(display, False);
  XRRFreeOutputInfo(info);
  XRRFreeScreenResources(resources);

  const MonitorRect expected{100, 50, 400, 300};
  const auto deadline = Clock::now() + kPatience;
  while (pointer.Monitor() != expected && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(pointer.Monitor(), expected);
  pointer.SendInput(Move(0, 0));
  EXPECT_EQ(observer.WaitForPointer(100, 50), std::make_pair(100, 50));
  pointer.SendInput(Move(65535, 65535));
  EXPECT_EQ(observer.WaitForPointer(499, 349), std::make_pair(499, 349));
}

TEST(XTestPointerServiceTest, ButtonsReachAClientWindow) {
  XvfbServer server(800, 600);
  ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
  Observer observer(server.Display());
  ::Display* display = observer.get();
  ASSERT_NE(display, nullptr);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask = ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
  const Window window =
      XCreateWindow(display, DefaultRootWindow(display), 0, 0, 800, 600, 0, CopyFromParent,
                    InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
  XMapWindow(display, window);
  XSync(display, False);
  ASSERT_EQ(observer.WaitForEvent(StructureNotifyMask).type, MapNotify);

  XTestPointerService pointer(server.Display());
  ASSERT_TRUE(pointer.IsOpen());
  pointer.SendInput(Move(32768, 16384));
  struct Row {
    const char* legend;
    uint32_t flags;
    int type;
    unsigned int button;
  };
  const Row rows[] = {
      {"left down", kMouseLeftDown, ButtonPress, Button1},
      {"left up", kMouseLeftUp, ButtonRelease, Button1},
      {"right down", kMouseRightDown, ButtonPress, Button3},
      {"right up", kMouseRightUp, ButtonRelease, Button3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    // dx and dy of a button event are not applied.
    MouseInput input = Button(row.flags);
    input.dx = 65535;
    EXPECT_EQ(pointer.SendInput(input), 1u);
    const XEvent event = observer.WaitForEvent(ButtonPressMask | ButtonReleaseMask);
    ASSERT_EQ(event.type, row.type);
    EXPECT_EQ(event.xbutton.window, window);
    EXPECT_EQ(event.xbutton.button, row.button);
    EXPECT_EQ(event.xbutton.x_root, 400);
    EXPECT_EQ(event.xbutton.y_root, 150);
  }
}

// X delivers a press of a button already down to no window; each such left press is reported,
// so that the window layer can deliver it as the desktop would.
TEST(XTestPointerServiceTest, LeftPressesWhileTheButtonIsHeldAreReported) {
  XvfbServer server(320, 240);
  ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
  struct Row {
    const char* legend;
    std::vector<uint32_t> flags;
    int reported;
  };
  const Row rows[] = {
      {"one press", {kMouseLeftDown}, 0},
      {"three presses in a row", {kMouseLeftDown, kMouseLeftDown, kMouseLeftDown}, 2},
      {"a release in between", {kMouseLeftDown, kMouseLeftUp, kMouseLeftDown}, 0},
      {"a right press does not release the left",
       {kMouseLeftDown, kMouseRightDown, kMouseLeftDown},
       1},
      {"capture reports: two presses each, then the lift",
       {kMouseLeftDown, kMouseLeftDown, kMouseLeftDown, kMouseLeftDown, kMouseLeftUp},
       3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    XTestPointerService pointer(server.Display());
    ASSERT_TRUE(pointer.IsOpen());
    int reported = 0;
    pointer.OnRepeatedLeftPress([&] { ++reported; });
    for (uint32_t flags : row.flags) pointer.SendInput(Button(flags));
    EXPECT_EQ(reported, row.reported);
    pointer.SendInput(Button(kMouseLeftUp));
    pointer.SendInput(Button(kMouseRightUp));
  }
}

}  // namespace
}  // namespace tavrel
