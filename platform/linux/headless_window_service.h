#pragma once

#include <signal.h>

#include "platform/windowless_service.h"

namespace tavrel {

// The window layer of the window-less program: nothing is shown (the core logs every message
// box before it shows it), the main window's run lasts until the process is asked to stop
// (SIGTERM, SIGINT or SIGHUP), which the window gets as its cancel command, and every other run
// ends at once. Construct it before any thread starts, so that those threads leave the stop
// signals to this one.
class HeadlessWindowService : public WindowlessService {
 public:
  HeadlessWindowService();
  HeadlessWindowService(const HeadlessWindowService&) = delete;
  HeadlessWindowService& operator=(const HeadlessWindowService&) = delete;

  int32_t RunModal(int32_t templateId, DialogEvents& events, WindowHandle owner) override;
  void EndDialog(WindowHandle window, int32_t result) override;
  bool IsWindow(WindowHandle window) override { return window == kMainWindow && running_; }
  bool WatchTrayHost(std::function<void(bool present)>) override { return false; }

 private:
  static constexpr WindowHandle kMainWindow = 1;

  sigset_t stopSignals_;
  bool running_ = false;
  bool ended_ = false;
  int32_t result_ = 0;
};

}  // namespace tavrel
