#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "platform/held_input.h"
#include "platform/pointer_service.h"

struct _XDisplay;

namespace tavrel {

// A monitor's rectangle in root-window pixels.
struct MonitorRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const MonitorRect&) const = default;
};

// pixel = value × size / 65536 + origin. Values outside 0..65535 are passed on, so the server
// clamps them to the screen; only what the protocol's 16-bit coordinates cannot carry is held at
// their limits, as it would otherwise wrap to the far side.
int ScaleAbsolute(int32_t value, int origin, int size);

// Injects pointer events through the XTest extension on its own display connection, opened once
// at construction. Absolute moves map 0..65535 onto the primary monitor (RandR's primary output,
// else the whole screen), followed as the monitors change. Safe to call from any thread. A button
// it pressed and has not released is released when it goes, or when the program exits otherwise.
class XTestPointerService : public PointerService, public HeldInput {
 public:
  // displayName as XOpenDisplay takes it; empty for $DISPLAY.
  explicit XTestPointerService(const std::string& displayName = "");
  ~XTestPointerService() override;
  XTestPointerService(const XTestPointerService&) = delete;
  XTestPointerService& operator=(const XTestPointerService&) = delete;

  // False when the display or its XTest extension was unavailable; every event is then refused,
  // as it is once the connection has broken.
  bool IsOpen() const { return display_ != nullptr; }
  // Moves (absolute only) and button transitions; returns 1 when injected, 0 when refused.
  uint32_t SendInput(const MouseInput& input) override;
  MonitorRect Monitor();
  // Called, on the injecting thread and without waiting, for each left press injected while an
  // earlier one still holds the button: the server delivers such a press to no window.
  void OnRepeatedLeftPress(std::function<void()> call);
  void ReleaseHeld() override;

 private:
  void FollowMonitorChanges();
  void ReadMonitor();
  void Button(unsigned int button, bool press);

  std::mutex mutex_;
  _XDisplay* display_ = nullptr;
  std::atomic<bool> lost_{false};
  bool randr_ = false;
  MonitorRect monitor_;
  // The buttons as this service last set them.
  bool leftHeld_ = false;
  bool rightHeld_ = false;
  std::function<void()> onRepeatedLeftPress_;
};

}  // namespace tavrel
