#include "app/wayland_notice.h"

#include <string_view>

#include "platform/log.h"

namespace tavrel::wayland_notice {

bool IsWaylandSession(const Environment& environment) {
  const char* type = environment("XDG_SESSION_TYPE");
  const char* display = environment("WAYLAND_DISPLAY");
  return (type != nullptr && std::string_view(type) == "wayland") ||
         (display != nullptr && *display != '\0');
}

void ShowOnce(SettingsStore& store, WindowService& windows, const Environment& environment,
              bool reachesEveryClient) {
  if (!IsWaylandSession(environment)) return;
  const char* text = reachesEveryClient ? kUinputText : kXTestText;
  log::Info(text);
  if (store.Read(kShownValue).value_or(0) != 0) return;
  // Remembered before the box, so that a start that never gets past it does not show it again.
  if (!store.Write(kShownValue, 1)) log::Info("The Wayland notice could not be remembered");
  windows.ShowMessage(kCaption, text);
}

}  // namespace tavrel::wayland_notice
