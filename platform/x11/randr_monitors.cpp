#include "platform/x11/randr_monitors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace tavrel {

RandrMonitors::RandrMonitors(Display* display) : display_(display) {
  // Primary outputs and current screen resources came with RandR 1.3. The core query comes
  // first: libXrandr leaks its per-display record on a server without the extension.
  int opcode, event, error, major, minor;
  randr_ = XQueryExtension(display_, "RANDR", &opcode, &event, &error) &&
           XRRQueryVersion(display_, &major, &minor) && (major > 1 || minor >= 3);
  if (randr_) {
    XRRSelectInput(display_, DefaultRootWindow(display_),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  }
  Read();
}

void RandrMonitors::Follow() {
  bool changed = false;
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    XRRUpdateConfiguration(&event);
    changed = true;
  }
  if (changed) Read();
}

void RandrMonitors::Read() {
  const int screen = DefaultScreen(display_);
  screen_ = {0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
  primary_ = screen_;
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
      primary_ = {crtc->x, crtc->y, static_cast<int>(crtc->width), static_cast<int>(crtc->height)};
    }
    if (crtc != nullptr) XRRFreeCrtcInfo(crtc);
  }
  if (output != nullptr) XRRFreeOutputInfo(output);
  XRRFreeScreenResources(resources);
}

X11DesktopGeometry::X11DesktopGeometry(const std::string& displayName)
    : display_(XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str())) {
  if (display_ != nullptr) monitors_ = std::make_unique<RandrMonitors>(display_);
}

X11DesktopGeometry::~X11DesktopGeometry() {
  monitors_.reset();
  if (display_ != nullptr) XCloseDisplay(display_);
}

DesktopGeometry X11DesktopGeometry::Current() {
  if (monitors_ == nullptr) return {};
  monitors_->Follow();
  return {monitors_->Screen(), monitors_->Primary()};
}

}  // namespace tavrel
