#include "app/input_choice.h"

#include "app/wayland_notice.h"

namespace tavrel::input_choice {

namespace {

std::optional<Request> RequestNamed(std::string_view name) {
  if (name == "auto") return Request::kAuto;
  if (name == "xtest") return Request::kXTest;
  if (name == "uinput") return Request::kUinput;
  return std::nullopt;
}

}  // namespace

Session SessionOf(const Environment& environment) {
  if (wayland_notice::IsWaylandSession(environment)) return Session::kWayland;
  const char* display = environment("DISPLAY");
  return display != nullptr && *display != '\0' ? Session::kX11 : Session::kNoDisplay;
}

bool WantsUinput(Session session, Request request) {
  return request == Request::kUinput || (request == Request::kAuto && session != Session::kX11);
}

Decision Choose(Session session, Request request, const std::string& uinputError) {
  if (!WantsUinput(session, request)) return {};
  if (uinputError.empty()) return {BackEnd::kUinput, "", false};
  if (session == Session::kNoDisplay) {
    return {BackEnd::kXTest,
            uinputError + ". There is no display for XTest either: touches and keys reach nothing.",
            false};
  }
  return {
      BackEnd::kXTest,
      uinputError + ". Touches and keys go through XTest instead and reach only X11 applications.",
      session == Session::kX11};
}

ParsedRunOptions TakeRunOptions(std::span<const std::string_view> args) {
  ParsedRunOptions parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--no-window") {
      parsed.options.noWindow = true;
    } else if (args[i] == "--input") {
      const auto request = i + 1 < args.size() ? RequestNamed(args[++i]) : std::nullopt;
      if (!request) parsed.error = "--input takes auto, xtest or uinput";
      parsed.options.input = request.value_or(Request::kAuto);
    } else {
      parsed.rest.push_back(args[i]);
    }
  }
  return parsed;
}

}  // namespace tavrel::input_choice
