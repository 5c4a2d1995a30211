#include "platform/x11/display_check.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <string_view>

namespace tavrel {

std::optional<std::string> MissingDisplay() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0' &&
      std::string_view(platform).find("xcb") == std::string_view::npos) {
    return std::nullopt;
  }
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return "no display: DISPLAY is not set";
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return std::string("cannot open the display ") + name;
  XCloseDisplay(display);
  return std::nullopt;
}

}  // namespace tavrel
