#include "platform/x11/xtest_pointer_service.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

#include "platform/x11/own_connection.h"

namespace tavrel {

namespace {
constexpr int64_t kAbsoluteRange = 65536;
constexpr int64_t kProtocolMin = -32768;
constexpr int64_t kProtocolMax = 32767;
constexpr unsigned int kLeftButton = 1;
constexpr unsigned int kRightButton = 3;
}  // namespace

int ScaleAbsolute(int32_t value, int origin, int size) {
  const int64_t pixel = int64_t{value} * size / kAbsoluteRange + origin;
  return static_cast<int>(std::clamp(pixel, kProtocolMin, kProtocolMax));
}

XTestPointerService::XTestPointerService(const std::string& displayName) {
  Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
  if (display == nullptr) return;
  int event, error, major, minor;
  if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
    XCloseDisplay(display);
    return;
  }
  display_ = display;
  SurviveConnectionLoss(display_, lost_);
  held_input::Register(*this);
  monitors_ = std::make_unique<RandrMonitors>(display_);
}

XTestPointerService::~XTestPointerService() {
  if (display_ == nullptr) return;
  held_input::Unregister(*this);
  ReleaseHeld();
  monitors_.reset();
  CloseOwnConnection(display_);
}

void XTestPointerService::Move(int32_t x, int32_t y) {
  monitors_->Follow();
  const MonitorRect monitor = monitors_->Primary();
  XTestFakeMotionEvent(display_, DefaultScreen(display_),
                       ScaleAbsolute(x, monitor.x, monitor.width),
                       ScaleAbsolute(y, monitor.y, monitor.height), CurrentTime);
}

void XTestPointerService::Press(Button button, bool down) {
  XTestFakeButtonEvent(display_, button == Button::kLeft ? kLeftButton : kRightButton,
                       down ? True : False, CurrentTime);
}

void XTestPointerService::Flush() { XFlush(display_); }

MonitorRect XTestPointerService::Monitor() {
  std::lock_guard lock(mutex_);
  if (!Ready()) return monitors_ ? monitors_->Primary() : MonitorRect{};
  monitors_->Follow();
  return monitors_->Primary();
}

}  // namespace tavrel
