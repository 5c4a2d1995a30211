#pragma once

#include <functional>

#include "platform/settings_store.h"
#include "platform/window_service.h"

namespace tavrel {

// On a Wayland session the program runs through XWayland, and what reaches the session's
// applications depends on the input back end: XTest's touches and keys reach only X11
// applications, without any error; the kernel's virtual devices reach every one. This says which:
// in the log at every start, and in a message box once per machine.
namespace wayland_notice {

// The environment variable's value, or null when it is not set.
using Environment = std::function<const char*(const char* name)>;

// The settings value that remembers the box was shown.
inline constexpr const char* kShownValue = "Wayland Notice Shown";
inline constexpr const char* kCaption = "Tavrel";
inline constexpr const char* kXTestText =
    "This is a Wayland session: touches and keys from Tavrel reach only X11 applications here, "
    "not Wayland ones. To use the touch screen with every application, give Tavrel access to "
    "/dev/uinput (see its README), or log out and choose an X11 (Xorg) session at the login "
    "screen.";
inline constexpr const char* kUinputText =
    "This is a Wayland session: touches and keys from Tavrel come from virtual input devices "
    "(/dev/uinput) and reach every application here, Wayland and X11 alike.";

bool IsWaylandSession(const Environment& environment);

// Logs and, the first time on this machine, shows the box; store must be open.
// reachesEveryClient: the input goes through the virtual devices.
void ShowOnce(SettingsStore& store, WindowService& windows, const Environment& environment,
              bool reachesEveryClient);

}  // namespace wayland_notice
}  // namespace tavrel
