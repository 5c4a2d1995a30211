#include "platform/x11/own_connection.h"

#include <X11/Xlib.h>

#include <array>
#include <mutex>

namespace tavrel {

namespace {

// Few connections, looked up from inside Xlib's error path, so without a lock.
std::array<std::atomic<Display*>, 8> watched{};
XIOErrorHandler previousHandler = nullptr;

bool IsWatched(Display* display) {
  for (const auto& slot : watched) {
    if (slot.load() == display) return true;
  }
  return false;
}

// Returning lets Xlib go on to the connection's exit handler, which marks it lost.
int OnBrokenConnection(Display* display) {
  if (IsWatched(display)) return 0;
  return previousHandler != nullptr ? previousHandler(display) : 0;
}

void MarkLost(Display* /*display*/, void* lost) {
  static_cast<std::atomic<bool>*>(lost)->store(true);
}

}  // namespace

void SurviveConnectionLoss(Display* display, std::atomic<bool>& lost) {
  static std::once_flag installed;
  std::call_once(installed, [] { previousHandler = XSetIOErrorHandler(OnBrokenConnection); });
  for (auto& slot : watched) {
    Display* empty = nullptr;
    if (slot.compare_exchange_strong(empty, display)) break;
  }
  XSetIOErrorExitHandler(display, MarkLost, &lost);
}

void CloseOwnConnection(Display* display) {
  XCloseDisplay(display);
  for (auto& slot : watched) {
    Display* expected = display;
    slot.compare_exchange_strong(expected, nullptr);
  }
}

}  // namespace tavrel
