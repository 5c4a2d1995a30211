#pragma once

#include "platform/clock.h"
#include "platform/thread_service.h"

namespace tavrel {

class Win32Clock : public Clock {
 public:
  void Sleep(uint32_t ms) override;
  uint64_t NowMs() override;
};

// Threads at above-normal priority.
class Win32ThreadService : public ThreadService {
 public:
  std::thread Start(std::function<void()> body) override;
};

}  // namespace tavrel
