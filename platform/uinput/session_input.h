#pragma once

#include <memory>
#include <string>

#include "platform/key_layout.h"
#include "platform/key_service.h"
#include "platform/mouse_injector.h"

namespace tavrel {

class X11DesktopGeometry;

// The pointer and key services of one start: the kernel's virtual devices, with the layout and
// the desktop's geometry from the X server where there is one (XWayland included) and from the
// system's keyboard configuration where there is none; or XTest on the display.
class SessionInput {
 public:
  SessionInput();
  ~SessionInput();
  SessionInput(const SessionInput&) = delete;
  SessionInput& operator=(const SessionInput&) = delete;

  // Makes the virtual devices; empty on success, else why they could not be made (and nothing
  // is kept). withDisplay: $DISPLAY names an X server to take the layout and monitors from.
  std::string TryUinput(bool withDisplay);
  // XTest and XKB on $DISPLAY; events go nowhere when it cannot be opened.
  void UseXTest();

  // Valid once one of the above has set the services up.
  MouseInjector& Pointer() { return *pointer_; }
  KeyService& Keys() { return *keys_; }

 private:
  std::unique_ptr<X11DesktopGeometry> geometry_;
  std::unique_ptr<KeyLayout> layout_;
  // Declared after what they use, so that they go first.
  std::unique_ptr<MouseInjector> pointer_;
  std::unique_ptr<KeyService> keys_;
};

}  // namespace tavrel
