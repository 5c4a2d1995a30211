#include "platform/x11/xkb_key_service.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/x11/xtest_pointer_service.h"
#include "testing/xvfb_server.h"

// Last: Xlib's macros would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace tavrel {
namespace {

using namespace std::chrono_literals;

// A window of another program that holds the keyboard focus and reads what arrives.
class TypingClient {
 public:
  explicit TypingClient(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    if (display_ == nullptr) return;
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 100, 50, 0, 0, 0);
    XSelectInput(display_, window_, KeyPressMask);
    XMapWindow(display_, window_);
    XSync(display_, False);
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    XSync(display_, False);
  }
  ~TypingClient() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  bool IsOpen() const { return display_ != nullptr; }

  // The keysyms of the next presses, as the client's own lookup gives them, once count arrived
  // (fewer after a time-out).
  std::vector<KeySym> Presses(size_t count) {
    std::vector<KeySym> presses;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (presses.size() < count && std::chrono::steady_clock::now() < deadline) {
      if (XPending(display_) == 0) {
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&fd, 1, 50);
        continue;
      }
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type != KeyPress) continue;
      char text[8];
      KeySym sym = NoSymbol;
      XLookupString(&event.xkey, text, sizeof text, &sym, nullptr);
      presses.push_back(sym);
    }
    return presses;
  }

 private:
  Display* display_;
  Window window_ = 0;
};

class XkbKeyServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(xvfb.Display().empty()) << "Xvfb did not start"; }
  // Switches the server's layout as a user's desktop would.
  void UseLayout(const std::string& layout) {
    const std::string command = "setxkbmap -display " + xvfb.Display() + " " + layout;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  // Types the character with the modifiers its lookup asks for; returns the number of presses.
  size_t Type(XkbKeyService& keys, char character) {
    const uint16_t scan = keys.VkKeyScan(character);
    const bool shift = (scan & key_shift::kShift) != 0;
    const bool altGr = (scan & key_shift::kAltGr) == key_shift::kAltGr;
    if (shift) keys.KeyEvent(vk::kShift, false);
    if (altGr) keys.KeyEvent(vk::kRMenu, false);
    keys.KeyEvent(static_cast<uint8_t>(scan & 0xFF), false);
    keys.KeyEvent(static_cast<uint8_t>(scan & 0xFF), true);
    if (altGr) keys.KeyEvent(vk::kRMenu, true);
    if (shift) keys.KeyEvent(vk::kShift, true);
    return 1 + (shift ? 1 : 0) + (altGr ? 1 : 0);
  }

  XvfbServer xvfb{640, 480};
};

// Which virtual key and shift state the active layout gives each character.
TEST_F(XkbKeyServiceTest, LookupFindsTheKeyAndLevelOnTheActiveLayout) {
  struct Row {
    const char* legend;
    char character;
    uint16_t us;
    uint16_t de;
  };
  const uint16_t shift = key_shift::kShift;
  const uint16_t altGr = key_shift::kAltGr;
  const Row rows[] = {
      {"lower-case letter", 'q', 'Q', 'Q'},
      {"upper-case letter", 'Q', 'Q' | shift, 'Q' | shift},
      {"letter on a swapped key", 'z', 'Z', 'Z'},
      {"digit", '5', '5', '5'},
      {"@", '@', '2' | shift, 'Q' | altGr},
      {"backslash", '\\', vk::kOem5, vk::kOemMinus | altGr},
      {"vertical bar", '|', vk::kOem5 | shift, vk::kOem102 | altGr},
      {"less-than: the key beside the left Shift, first level", '<', vk::kOem102, vk::kOem102},
      {"comma", ',', vk::kOemComma, vk::kOemComma},
      {"semicolon", ';', vk::kOem1, vk::kOemComma | shift},
      {"colon", ':', vk::kOem1 | shift, vk::kOemPeriod | shift},
      {"escape", '\x1B', vk::kEscape, vk::kEscape},
      {"space", ' ', vk::kSpace, vk::kSpace},
      {"Latin-1 letter the US layout lacks", '\xFC', kNoKey, vk::kOem4},
      {"no character at all", '\x80', kNoKey, kNoKey},
  };
  XkbKeyService keys(xvfb.Display());
  ASSERT_TRUE(keys.IsOpen());
  for (const char* layout : {"us", "de"}) {
    UseLayout(layout);
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(layout) + ": " + row.legend);
      EXPECT_EQ(keys.VkKeyScan(row.character), layout[0] == 'u' ? row.us : row.de);
    }
  }
}

// What a client with the focus receives for typed characters and named keys.
TEST_F(XkbKeyServiceTest, InjectedKeysReachTheFocusedClientAsTheLayoutsKeysyms) {
  struct Row {
    const char* layout;
    std::string text;
  };
  const Row rows[] = {
      {"us", "Hello, World@1\\|<>;:"},
      {"de", "Hello, zy@\\|<>;:"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.layout);
    UseLayout(row.layout);
    XkbKeyService keys(xvfb.Display());
    TypingClient client(xvfb.Display());
    ASSERT_TRUE(client.IsOpen());
    size_t presses = 0;
    for (char c : row.text) presses += Type(keys, c);
    std::string typed;
    for (KeySym sym : client.Presses(presses)) {
      if (sym >= 0x20 && sym <= 0x7E) typed += static_cast<char>(sym);
    }
    EXPECT_EQ(typed, row.text);
    for (uint8_t named : {vk::kReturn, vk::kLeft, static_cast<uint8_t>(vk::kF1 + 4), vk::kPrior}) {
      keys.KeyEvent(named, false);
      keys.KeyEvent(named, true);
    }
    EXPECT_EQ(client.Presses(4), (std::vector<KeySym>{XK_Return, XK_Left, XK_F5, XK_Prior}));
  }
}

TEST_F(XkbKeyServiceTest, StateQuerySeesHeldModifiersAndCapsLock) {
  XkbKeyService keys(xvfb.Display());
  for (uint8_t modifier : {vk::kShift, vk::kControl, vk::kLMenu, vk::kRMenu}) {
    SCOPED_TRACE(static_cast<int>(modifier));
    EXPECT_EQ(keys.GetKeyState(modifier), 0);
    keys.KeyEvent(modifier, false);
    EXPECT_EQ(keys.GetKeyState(modifier), kKeyDown);
    keys.KeyEvent(modifier, true);
    EXPECT_EQ(keys.GetKeyState(modifier), 0);
  }
  keys.KeyEvent(vk::kCapital, false);
  EXPECT_EQ(keys.GetKeyState(vk::kCapital), kKeyDown | kKeyToggled);
  keys.KeyEvent(vk::kCapital, true);
  EXPECT_EQ(keys.GetKeyState(vk::kCapital), kKeyToggled) << "Caps Lock on";
  keys.KeyEvent(vk::kCapital, false);
  keys.KeyEvent(vk::kCapital, true);
  EXPECT_EQ(keys.GetKeyState(vk::kCapital), 0) << "and off again";
}

// What a service pressed and did not release is released when it goes; a server that has gone
// away ends nothing: the services stop using it, and the program decides how to end.
TEST_F(XkbKeyServiceTest, HeldKeysAndButtonsGoUpWithTheirServiceAndALostServerEndsNothing) {
  {
    XkbKeyService keys(xvfb.Display());
    XTestPointerService pointer(xvfb.Display());
    keys.KeyEvent(vk::kControl, false);
    keys.KeyEvent(vk::kRMenu, false);
    keys.KeyEvent('Q', false);
    keys.KeyEvent('Q', true);
    pointer.SendInput({0, 0, 0, kMouseRightDown});
    ASSERT_EQ(keys.GetKeyState(vk::kRMenu), kKeyDown);
  }
  XkbKeyService observer(xvfb.Display());
  for (uint8_t key : {vk::kControl, vk::kRMenu, uint8_t{'Q'}}) {
    EXPECT_EQ(observer.GetKeyState(key), 0) << static_cast<int>(key);
  }
  Display* display = XOpenDisplay(xvfb.Display().c_str());
  Window root = 0, child = 0;
  int x = 0, y = 0;
  unsigned mask = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &x, &y, &mask);
  EXPECT_EQ(mask & Button3Mask, 0u) << "the right button is up";
  XCloseDisplay(display);

  auto server = std::make_unique<XvfbServer>(320, 240);
  XkbKeyService keys(server->Display());
  XTestPointerService pointer(server->Display());
  keys.KeyEvent(vk::kShift, false);
  pointer.SendInput({0, 0, 0, kMouseLeftDown});
  server.reset();
  EXPECT_EQ(keys.GetKeyState(vk::kShift), 0) << "the round trip meets the broken connection";
  keys.KeyEvent(vk::kShift, true);
  pointer.SendInput({0, 0, 0, kMouseLeftUp});
  pointer.SendInput({0, 0, 0, kMouseLeftDown});
}

TEST(XkbKeyServiceWithoutDisplayTest, DropsEventsFindsNothingAndReadsKeysUp) {
  XkbKeyService keys("/nonexistent:99");
  EXPECT_FALSE(keys.IsOpen());
  keys.KeyEvent(vk::kShift, false);
  EXPECT_EQ(keys.VkKeyScan('a'), kNoKey);
  EXPECT_EQ(keys.GetKeyState(vk::kShift), 0);
}

}  // namespace
}  // namespace tavrel
