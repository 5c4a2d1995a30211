#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Xlib's own name for its connection; the header stays free of Xlib's macros.
struct _XDisplay;

namespace tavrel {

// X11's window and key symbol numbers, as Xlib's Window and KeySym.
using XWindowId = unsigned long;
using XKeySym = unsigned long;

// A window on the display, as a rig's connection saw it.
struct Found {
  XWindowId window = 0;
  std::string name;
  std::string program;  // the class of its WM_CLASS
  int x = 0, y = 0, width = 0, height = 0;
  bool viewable = false;
};

// A rig's own connection to its display: finds windows, injects input (XTest), owns the focus
// client.
class Desktop {
 public:
  explicit Desktop(const std::string& name);
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;
  bool IsOpen() const { return display_ != nullptr; }

  std::vector<Found> Windows();
  std::optional<Found> Find(const std::function<bool(const Found&)>& match);
  // The first viewable match within ten seconds.
  std::optional<Found> WaitWindow(const std::function<bool(const Found&)>& match);

  void Press(int x, int y, bool down, unsigned button = 1);
  void Click(int x, int y, unsigned button = 1);
  void Key(XKeySym key);

  // A plain window of the rig that holds the keyboard focus, as the application in use would.
  XWindowId FocusClient();
  void SetFocus(XWindowId window);
  XWindowId Focus();
  // The keycodes the server holds down.
  std::vector<int> KeysDown();
  // Breaks the connection of the client that made the window, as a lost display does.
  void KillClient(XWindowId window);
  // Where the pointer is, on the root window.
  std::pair<int, int> Pointer();

 private:
  void Collect(XWindowId window, std::vector<Found>& found);
  // The title as Qt sets it (_NET_WM_NAME, UTF-8), else WM_NAME.
  std::string Name(XWindowId window);

  _XDisplay* display_;
};

// The viewable windows, one a line, for failure messages.
std::string Describe(const std::vector<Found>& windows);

// The program's panel and its tray icon, by their sizes.
bool IsPanel(const Found& w);
bool IsTrayIcon(const Found& w);
bool IsTrayMenu(const Found& w);

}  // namespace tavrel
