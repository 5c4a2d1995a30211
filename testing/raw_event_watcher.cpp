#include "testing/raw_event_watcher.h"

#include <poll.h>

#include "testing/program_rig.h"

// Last: Xlib's macros clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace tavrel {

RawEventWatcher::RawEventWatcher(const std::string& display)
    : thread_([this, display] { Watch(display); }) {}

RawEventWatcher::~RawEventWatcher() {
  stopping_ = true;
  thread_.join();
}

bool RawEventWatcher::WaitWatching(std::chrono::milliseconds timeout) const {
  return WaitFor([this] { return watching_ || failed_; }, timeout) && watching_;
}

size_t RawEventWatcher::Motions() const {
  std::lock_guard lock(mutex_);
  return motions_.size();
}

std::vector<RawEventWatcher::Clock::time_point> RawEventWatcher::MotionTimes() const {
  std::lock_guard lock(mutex_);
  return motions_;
}

bool RawEventWatcher::WaitMotions(size_t count, std::chrono::milliseconds timeout) const {
  return WaitFor([&] { return Motions() >= count; }, timeout);
}

std::vector<RawEventWatcher::Button> RawEventWatcher::Buttons() const {
  std::lock_guard lock(mutex_);
  return buttons_;
}

void RawEventWatcher::Watch(const std::string& name) {
  Display* display = XOpenDisplay(name.c_str());
  int opcode = 0, event = 0, error = 0;
  if (!display || !XQueryExtension(display, "XInputExtension", &opcode, &event, &error)) {
    if (display) XCloseDisplay(display);
    failed_ = true;
    return;
  }
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawMotion);
  XISetMask(bits, XI_RawButtonPress);
  XISetMask(bits, XI_RawButtonRelease);
  XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
  XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
  XSync(display, False);
  watching_ = true;
  while (!stopping_) {
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    if (XPending(display) == 0 && ::poll(&fd, 1, 100) <= 0) continue;
    while (XPending(display) > 0) {
      XEvent next;
      XNextEvent(display, &next);
      XGenericEventCookie& cookie = next.xcookie;
      if (cookie.type != GenericEvent || cookie.extension != opcode) continue;
      const auto now = Clock::now();
      std::lock_guard lock(mutex_);
      if (cookie.evtype == XI_RawMotion) {
        motions_.push_back(now);
      } else if ((cookie.evtype == XI_RawButtonPress || cookie.evtype == XI_RawButtonRelease) &&
                 XGetEventData(display, &cookie)) {
        const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
        buttons_.push_back({cookie.evtype == XI_RawButtonPress, raw->detail});
        XFreeEventData(display, &cookie);
      }
    }
  }
  XCloseDisplay(display);
}

}  // namespace tavrel
