#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/mouse_injector.h"
#include "platform/x11/randr_monitors.h"

struct _XDisplay;

namespace tavrel {

// pixel = value × size / 65536 + origin. Values outside 0..65535 are passed on, so the server
// clamps them to the screen; only what the protocol's 16-bit coordinates cannot carry is held at
// their limits, as it would otherwise wrap to the far side.
int ScaleAbsolute(int32_t value, int origin, int size);

// Injects pointer events through the XTest extension on its own display connection, opened once
// at construction. Absolute moves map 0..65535 onto the primary monitor (RandR's primary output,
// else the whole screen), followed as the monitors change. Safe to call from any thread. A button
// it pressed and has not released is released when it goes, or when the program exits otherwise.
class XTestPointerService : public MouseInjector {
 public:
  // displayName as XOpenDisplay takes it; empty for $DISPLAY.
  explicit XTestPointerService(const std::string& displayName = "");
  ~XTestPointerService() override;
  XTestPointerService(const XTestPointerService&) = delete;
  XTestPointerService& operator=(const XTestPointerService&) = delete;

  // False when the display or its XTest extension was unavailable; every event is then refused,
  // as it is once the connection has broken.
  bool IsOpen() const { return display_ != nullptr; }
  MonitorRect Monitor();

 private:
  bool Ready() override { return display_ != nullptr && !lost_; }
  void Move(int32_t x, int32_t y) override;
  void Press(Button button, bool down) override;
  void Flush() override;

  _XDisplay* display_ = nullptr;
  std::atomic<bool> lost_{false};
  std::unique_ptr<RandrMonitors> monitors_;
};

}  // namespace tavrel
