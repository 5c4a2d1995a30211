#include "testing/test_desktop.h"

#include <chrono>
#include <thread>

#include "testing/program_rig.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace tavrel {

using namespace std::chrono_literals;

Desktop::Desktop(const std::string& name) : display_(XOpenDisplay(name.c_str())) {
  // A window may go between listing and looking at it; Xlib's default handler would end the
  // process, where the failed call's result already says enough.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

Desktop::~Desktop() {
  if (display_) XCloseDisplay(display_);
}

std::vector<Found> Desktop::Windows() {
  std::vector<Found> found;
  Collect(DefaultRootWindow(display_), found);
  return found;
}

std::optional<Found> Desktop::Find(const std::function<bool(const Found&)>& match) {
  for (const Found& w : Windows()) {
    if (w.viewable && match(w)) return w;
  }
  return std::nullopt;
}

std::optional<Found> Desktop::WaitWindow(const std::function<bool(const Found&)>& match) {
  std::optional<Found> found;
  WaitFor([&] { return (found = Find(match)).has_value(); });
  return found;
}

void Desktop::Press(int x, int y, bool down, unsigned button) {
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(display_, button, down ? True : False, CurrentTime);
  XSync(display_, False);
}

void Desktop::Click(int x, int y, unsigned button) {
  Press(x, y, true, button);
  std::this_thread::sleep_for(50ms);
  Press(x, y, false, button);
  std::this_thread::sleep_for(200ms);
}

void Desktop::Key(XKeySym key) {
  const KeyCode code = XKeysymToKeycode(display_, key);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  XSync(display_, False);
  std::this_thread::sleep_for(100ms);
}

XWindowId Desktop::FocusClient() {
  Window client = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 100, 100, 200, 100, 0,
                                      0, 0xFFFFFF);
  XStoreName(display_, client, "focus client");
  XMapWindow(display_, client);
  XSync(display_, False);
  WaitFor([&] { return Find([&](const Found& w) { return w.window == client; }).has_value(); });
  SetFocus(client);
  return client;
}

void Desktop::SetFocus(XWindowId window) {
  XSetInputFocus(display_, window, RevertToParent, CurrentTime);
  XSync(display_, False);
}

XWindowId Desktop::Focus() {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  return focus;
}

std::vector<int> Desktop::KeysDown() {
  char keys[32] = {};
  XQueryKeymap(display_, keys);
  std::vector<int> down;
  for (int code = 0; code < 256; ++code) {
    if (keys[code / 8] & (1 << (code % 8))) down.push_back(code);
  }
  return down;
}

void Desktop::KillClient(XWindowId window) {
  XKillClient(display_, window);
  XSync(display_, False);
}

std::pair<int, int> Desktop::Pointer() {
  Window root = 0, child = 0;
  int x = 0, y = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &wx, &wy, &mask);
  return {x, y};
}

void Desktop::Collect(XWindowId window, std::vector<Found>& found) {
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

std::string Desktop::Name(XWindowId window) {
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

std::string Describe(const std::vector<Found>& windows) {
  std::string text;
  for (const Found& w : windows) {
    if (!w.viewable) continue;
    text += "\n  " + w.program + " \"" + w.name + "\" " + std::to_string(w.width) + "x" +
            std::to_string(w.height) + "+" + std::to_string(w.x) + "+" + std::to_string(w.y);
  }
  return text;
}

bool IsPanel(const Found& w) { return w.program == "tavrel" && w.width == 66 && w.height == 67; }

bool IsTrayIcon(const Found& w) { return w.program == "tavrel" && w.width == 22 && w.height == 22; }
bool IsTrayMenu(const Found& w) { return w.program == "tavrel" && w.height > 150 && w.width < 400; }

}  // namespace tavrel
