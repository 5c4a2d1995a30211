#pragma once

#include <functional>
#include <utility>

namespace tavrel {

// Whether the desktop's notification area was there at the last look, and whom to tell when
// that changes. The window layer looks in its own way and as often as it likes.
class TrayHostWatch {
 public:
  // Starts again from present; an empty `changed` tells nobody.
  void Start(bool present, std::function<void(bool present)> changed) {
    present_ = present;
    changed_ = std::move(changed);
  }
  bool Watching() const { return static_cast<bool>(changed_); }
  // A look at the area: the watch hears of it when it differs from the last look.
  void Check(bool present) {
    if (present != present_) Tell(present);
  }
  // The watch hears what the area is now, changed or not.
  void Tell(bool present) {
    present_ = present;
    if (!changed_) return;
    // A copy: the call may start the watch again or end it.
    const auto changed = changed_;
    changed(present);
  }

 private:
  bool present_ = false;
  std::function<void(bool present)> changed_;
};

}  // namespace tavrel
