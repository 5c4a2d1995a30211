#include "platform/linux/headless_window_service.h"

#include <pthread.h>

#include <cerrno>

#include "platform/log.h"

namespace tavrel {

HeadlessWindowService::HeadlessWindowService() {
  sigemptyset(&stopSignals_);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stopSignals_, signal);
  pthread_sigmask(SIG_BLOCK, &stopSignals_, nullptr);
}

int32_t HeadlessWindowService::RunModal(int32_t, DialogEvents& events, WindowHandle) {
  // Only the main window runs; a dialog asked for from inside it has nobody to answer it.
  if (running_) return -1;
  running_ = true;
  ended_ = false;
  events.Init(kMainWindow);
  while (!ended_) {
    int signal = 0;
    if (sigwait(&stopSignals_, &signal) != 0) continue;
    log::Info("signal " + std::to_string(signal) + ": stopping");
    events.Command(kIdCancel);
  }
  running_ = false;
  return result_;
}

void HeadlessWindowService::EndDialog(WindowHandle window, int32_t result) {
  if (window != kMainWindow) return;
  ended_ = true;
  result_ = result;
}

}  // namespace tavrel
