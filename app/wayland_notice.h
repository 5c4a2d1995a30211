#pragma once

#include <functional>

#include "platform/settings_store.h"
#include "platform/window_service.h"

namespace tavrel {

// On a Wayland session the program runs through XWayland, and the touches and keys it makes
// reach only X11 applications there, without any error. This says so: in the log at every
// start, and in a message box once per machine.
namespace wayland_notice {

// The environment variable's value, or null when it is not set.
using Environment = std::function<const char*(const char* name)>;

// The settings value that remembers the box was shown.
inline constexpr const char* kShownValue = "Wayland Notice Shown";
inline constexpr const char* kCaption = "Tavrel";
inline constexpr const char* kText =
    "This is a Wayland session: touches and keys from Tavrel reach only X11 applications here, "
    "not Wayland ones. To use the touch screen with every application, log out and choose an "
    "X11 (Xorg) session at the login screen.";

bool IsWaylandSession(const Environment& environment);

// Logs and, the first time on this machine, shows the box; store must be open.
void ShowOnce(SettingsStore& store, WindowService& windows, const Environment& environment);

}  // namespace wayland_notice
}  // namespace tavrel
