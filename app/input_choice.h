#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/wayland_notice.h"

namespace tavrel {

// Which injection back end a start uses: XTest reaches the X server's clients (XWayland's on a
// Wayland session); the kernel's virtual devices (uinput) reach every application, the console
// and the login screen, but need access to /dev/uinput.
namespace input_choice {

enum class Session { kX11, kWayland, kNoDisplay };
enum class Request { kAuto, kXTest, kUinput };
enum class BackEnd { kXTest, kUinput };

using Environment = wayland_notice::Environment;
Session SessionOf(const Environment& environment);

// Whether the start tries the virtual devices at all.
bool WantsUinput(Session session, Request request);

struct Decision {
  BackEnd backEnd = BackEnd::kXTest;
  // Why the virtual devices are not used although wanted, and what happens instead; empty when
  // all went as asked. For the log, and for a message box where showBox is true: a Wayland
  // session's own notice says it there.
  std::string message;
  bool showBox = false;
};
// uinputError: empty when the devices were made, else why not ("no access to /dev/uinput: ...").
Decision Choose(Session session, Request request, const std::string& uinputError);

// The options of a start that runs: --input auto|xtest|uinput and --no-window.
struct RunOptions {
  Request input = Request::kAuto;
  bool noWindow = false;
};
struct ParsedRunOptions {
  RunOptions options;
  // The arguments that are not these options, in order.
  std::vector<std::string_view> rest;
  // Set when an option was given wrongly.
  std::optional<std::string> error;
};
ParsedRunOptions TakeRunOptions(std::span<const std::string_view> args);

// The help text's lines for these options.
inline constexpr const char* kHelp =
    "  --input auto|xtest|uinput\n"
    "             how touches and keys are injected: XTest reaches X11 applications,\n"
    "             uinput (virtual devices, needs /dev/uinput) every application, the\n"
    "             console and the login screen; auto (the default) takes XTest on an\n"
    "             X11 session and uinput on Wayland or without a display\n"
    "  --no-window\n"
    "             no panel, tray icon or dialogs: touches only, messages to the log\n"
    "             (for login screens, consoles and kiosks; calibrate with the window)\n";

}  // namespace input_choice
}  // namespace tavrel
