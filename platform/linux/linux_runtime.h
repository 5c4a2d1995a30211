#pragma once

#include "platform/clock.h"
#include "platform/thread_service.h"

namespace tavrel {

class SystemClock : public Clock {
 public:
  void Sleep(uint32_t ms) override;
  uint64_t NowMs() override;
};

// Threads at a raised priority (a lower nice value) when the process may raise it.
class LinuxThreadService : public ThreadService {
 public:
  std::thread Start(std::function<void()> body) override;
};

}  // namespace tavrel
