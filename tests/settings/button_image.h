#pragma once

#include "platform/window_service.h"
#include "settings/right_click_observer.h"

namespace tavrel {

// Shows the right-click state as the panel does: the on or off image on one button.
struct ButtonImage : RightClickObserver {
  ButtonImage(WindowService& w, ControlHandle b, ImageHandle on, ImageHandle off)
      : windows(w), button(b), images{off, on} {}
  void RightClickStateChanged(bool on) override { windows.SetButtonImage(button, images[on]); }
  WindowService& windows;
  ControlHandle button;
  ImageHandle images[2];
};

}  // namespace tavrel
