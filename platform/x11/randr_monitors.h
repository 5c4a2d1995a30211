#pragma once

#include <memory>
#include <string>

#include "platform/monitor_rect.h"

struct _XDisplay;

namespace tavrel {

// The screen and its primary monitor (RandR's primary output, else the whole screen) as seen on a
// display connection that receives nothing but RandR's change events, which it follows.
class RandrMonitors {
 public:
  // The connection stays the caller's; it must outlive this object.
  explicit RandrMonitors(_XDisplay* display);

  // Takes the pending change events and reads the monitors again after any of them.
  void Follow();
  MonitorRect Primary() const { return primary_; }
  // The whole X screen, every monitor inside it, its origin at 0, 0.
  MonitorRect Screen() const { return screen_; }

 private:
  void Read();

  _XDisplay* display_;
  bool randr_ = false;
  MonitorRect primary_;
  MonitorRect screen_;
};

// The desktop's geometry from an X server (XWayland included), on a connection of its own.
class X11DesktopGeometry {
 public:
  // displayName as XOpenDisplay takes it; empty for $DISPLAY.
  explicit X11DesktopGeometry(const std::string& displayName = "");
  ~X11DesktopGeometry();
  X11DesktopGeometry(const X11DesktopGeometry&) = delete;
  X11DesktopGeometry& operator=(const X11DesktopGeometry&) = delete;

  bool IsOpen() const { return display_ != nullptr; }
  // As the monitors are now; one thread at a time.
  DesktopGeometry Current();

 private:
  _XDisplay* display_ = nullptr;
  std::unique_ptr<RandrMonitors> monitors_;
};

}  // namespace tavrel
