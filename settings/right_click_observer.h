#pragma once

namespace tavrel {

// Told what the next touch will do, so that whoever shows it (the panel's "Right click" button)
// follows. Called from either thread.
class RightClickObserver {
 public:
  virtual ~RightClickObserver() = default;

  virtual void RightClickStateChanged(bool on) = 0;
};

}  // namespace tavrel
