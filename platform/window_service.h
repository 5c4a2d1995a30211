#pragma once

#include <cstdint>
#include <string>

namespace tavrel {

// Opaque references to a control and to a bitmap owned by the window layer; 0 is none.
using ControlHandle = std::uintptr_t;
using ImageHandle = std::uintptr_t;

// What the core needs of the desktop's windows. Every call may come from any thread: the back end
// runs it on the user-interface thread and returns when it is done there.
class WindowService {
 public:
  virtual ~WindowService() = default;

  // A modal box with the caption, the text and one OK button, no icon, no owner; returns once
  // the user has closed it.
  virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
  // Sets a push button's bitmap (0 clears it).
  virtual void SetButtonImage(ControlHandle button, ImageHandle image) = 0;
};

}  // namespace tavrel
