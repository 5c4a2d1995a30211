#pragma once

#include <functional>
#include <mutex>
#include <utility>

#include "platform/held_input.h"
#include "platform/log.h"
#include "platform/pointer_service.h"

namespace tavrel {

// What every pointer back end does alike: absolute moves and button transitions taken out of
// the event's flags in the order the desktop applies combined ones, the buttons as this program
// last set them, and the notice of a left press while its left button is still down. Safe to
// call from any thread; the back end's steps run one at a time. A button it pressed and has not
// released is released on ReleaseHeld, which each back end calls when it goes.
class MouseInjector : public PointerService, public HeldInput {
 public:
  enum class Button { kLeft, kRight };

  uint32_t SendInput(const MouseInput& input) final {
    std::lock_guard lock(mutex_);
    if (!Ready()) return 0;
    const bool move = (input.dwFlags & kMouseMove) != 0;
    // Relative moves are not used by the program.
    if (move && (input.dwFlags & kMouseAbsolute) == 0) return 0;
    if (move) Move(input.dx, input.dy);
    if (input.dwFlags & kMouseLeftDown) {
      if (leftHeld_ && onRepeatedLeftPress_) onRepeatedLeftPress_();
      SetButton(Button::kLeft, true);
    }
    if (input.dwFlags & kMouseLeftUp) SetButton(Button::kLeft, false);
    if (input.dwFlags & kMouseRightDown) SetButton(Button::kRight, true);
    if (input.dwFlags & kMouseRightUp) SetButton(Button::kRight, false);
    Flush();
    return 1;
  }

  // Called, on the injecting thread and without waiting, for each left press injected while an
  // earlier one still holds the button: neither the X server nor the kernel passes such a press
  // on to anyone.
  void OnRepeatedLeftPress(std::function<void()> call) {
    std::lock_guard lock(mutex_);
    onRepeatedLeftPress_ = std::move(call);
  }

  // Lets go of every button still down.
  void ReleaseHeld() final {
    std::lock_guard lock(mutex_);
    if (!Ready() || !(leftHeld_ || rightHeld_)) return;
    log::Info("released the pointer button that a touch still held down");
    if (leftHeld_) SetButton(Button::kLeft, false);
    if (rightHeld_) SetButton(Button::kRight, false);
    Flush();
  }

 protected:
  // False: every event is refused.
  virtual bool Ready() = 0;
  // x, y: 0..65535 over the primary monitor, possibly a little outside.
  virtual void Move(int32_t x, int32_t y) = 0;
  virtual void Press(Button button, bool down) = 0;
  // After each event's steps.
  virtual void Flush() = 0;

  std::mutex mutex_;

 private:
  void SetButton(Button button, bool down) {
    Press(button, down);
    (button == Button::kLeft ? leftHeld_ : rightHeld_) = down;
  }

  bool leftHeld_ = false;
  bool rightHeld_ = false;
  std::function<void()> onRepeatedLeftPress_;
};

}  // namespace tavrel
