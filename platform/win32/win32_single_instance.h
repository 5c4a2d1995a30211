#pragma once

#include <cstdint>
#include <functional>

#include "platform/single_instance.h"

namespace tavrel {

// One running program per session: a named mutex marks the first; a later start broadcasts a
// registered message that the first one's hidden window receives.
class Win32SingleInstance : public SingleInstance {
 public:
  Win32SingleInstance() = default;
  ~Win32SingleInstance() override;
  Win32SingleInstance(const Win32SingleInstance&) = delete;
  Win32SingleInstance& operator=(const Win32SingleInstance&) = delete;

  // Call on the user-interface thread: the activation arrives through its message dispatch.
  bool Claim(std::function<void()> activate) override;

  // The Close request of an installer (CloseRunning): `close` runs on the user-interface thread.
  void OnCloseRequest(std::function<void()> close) { close_ = std::move(close); }

  // Asks the program running in this session to close, as its tray menu's Close does, and waits
  // up to `waitMs` for its process to end. True when none runs (any more).
  static bool CloseRunning(uint32_t waitMs);

  // The calls for the hidden window's procedure.
  void Activate() const;
  void Close() const;

 private:
  void* mutex_ = nullptr;   // HANDLE
  void* window_ = nullptr;  // HWND
  std::function<void()> activate_;
  std::function<void()> close_;
};

}  // namespace tavrel
