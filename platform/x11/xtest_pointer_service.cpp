#include "platform/x11/xtest_pointer_service.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <utility>

#include "platform/log.h"
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
  // Primary outputs and current screen resources came with RandR 1.3. The core query comes
  // first: libXrandr leaks its per-display record on a server without the extension.
  int opcode;
  randr_ = XQueryExtension(display_, "RANDR", &opcode, &event, &error) &&
           XRRQueryVersion(display_, &major, &minor) && (major > 1 || minor >= 3);
  if (randr_) {
    XRRSelectInput(display_, DefaultRootWindow(display_),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  }
  ReadMonitor();
}

XTestPointerService::~XTestPointerService() {
  if (display_ == nullptr) return;
  held_input::Unregister(*this);
  ReleaseHeld();
  CloseOwnConnection(display_);
}

uint32_t XTestPointerService::SendInput(const MouseInput& input) {
  std::lock_guard lock(mutex_);
  if (display_ == nullptr || lost_) return 0;
  const bool move = (input.dwFlags & kMouseMove) != 0;
  // Relative moves are not used by the program.
  if (move && (input.dwFlags & kMouseAbsolute) == 0) return 0;
  if (move) {
    FollowMonitorChanges();
    XTestFakeMotionEvent(display_, DefaultScreen(display_),
                         ScaleAbsolute(input.dx, monitor_.x, monitor_.width),
                         ScaleAbsolute(input.dy, monitor_.y, monitor_.height), CurrentTime);
  }
  // The order in which the desktop applies combined flags.
  if (input.dwFlags & kMouseLeftDown) {
    if (leftHeld_ && onRepeatedLeftPress_) onRepeatedLeftPress_();
    Button(kLeftButton, true);
    leftHeld_ = true;
  }
  if (input.dwFlags & kMouseLeftUp) {
    Button(kLeftButton, false);
    leftHeld_ = false;
  }
  if (input.dwFlags & kMouseRightDown) {
    Button(kRightButton, true);
    rightHeld_ = true;
  }
  if (input.dwFlags & kMouseRightUp) {
    Button(kRightButton, false);
    rightHeld_ = false;
  }
  XFlush(display_);
  return 1;
}

void XTestPointerService::ReleaseHeld() {
  std::lock_guard lock(mutex_);
  if (display_ == nullptr || lost_ || !(leftHeld_ || rightHeld_)) return;
  log::Info("released the pointer button that a touch still held down");
  if (leftHeld_) Button(kLeftButton, false);
  if (rightHeld_) Button(kRightButton, false);
  leftHeld_ = rightHeld_ = false;
  XSync(display_, False);
}

MonitorRect XTestPointerService::Monitor() {
  std::lock_guard lock(mutex_);
  if (display_ != nullptr && !lost_) FollowMonitorChanges();
  return monitor_;
}

void XTestPointerService::OnRepeatedLeftPress(std::function<void()> call) {
  std::lock_guard lock(mutex_);
  onRepeatedLeftPress_ = std::move(call);
}

void XTestPointerService::Button(unsigned int button, bool press) {
  XTestFakeButtonEvent(display_, button, press ? True : False, CurrentTime);
}

// The connection receives only RandR events; any of them may have moved the primary monitor.
void XTestPointerService::FollowMonitorChanges() {
  bool changed = false;
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    XRRUpdateConfiguration(&event);
    changed = true;
  }
  if (changed) ReadMonitor();
}

void XTestPointerService::ReadMonitor() {
  const int screen = DefaultScreen(display_);
  monitor_ = {0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
  if (!randr_) return;
  const Window root = RootWindow(display_, screen);
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root);
  if (resources == nullptr) return;
  const RROutput primary = XRRGetOutputPrimary(display_, root);
  XRROutputInfo* output =
      primary != None ? XRRGetOutputInfo(display_, resources, primary) : nullptr;
  if (output != nullptr && output->crtc != None) {
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display_, resources, output->crtc);
    if (crtc != nullptr && crtc->width > 0 && crtc->height > 0) {
      monitor_ = {crtc->x, crtc->y, static_cast<int>(crtc->width), static_cast<int>(crtc->height)};
    }
    if (crtc != nullptr) XRRFreeCrtcInfo(crtc);
  }
  if (output != nullptr) XRRFreeOutputInfo(output);
  XRRFreeScreenResources(resources);
}

}  // namespace tavrel
