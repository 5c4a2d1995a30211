#pragma once

#include "platform/window_service.h"
#include "settings/right_click_observer.h"

namespace tavrel {

// Shows the right-click state as the panel does: the on or off image on one button.
class ButtonImage : public RightClickObserver {
 public:
  ButtonImage(WindowService& windows, ControlHandle button, ImageHandle on, ImageHandle off)
      : windows_(windows), button_(button), on_(on), off_(off) {}
  void RightClickStateChanged(bool on) override {
    windows_.SetButtonImage(button_, on ? on_ : off_);
  }

 private:
  WindowService& windows_;
  ControlHandle button_;
  ImageHandle on_, off_;
};

}  // namespace tavrel
