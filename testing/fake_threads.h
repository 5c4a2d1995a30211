#pragma once

#include <atomic>

#include "platform/thread_service.h"

namespace tavrel {

// Plain threads, or none when told to fail.
class FakeThreadService : public ThreadService {
 public:
  std::thread Start(std::function<void()> body) override {
    if (fail) return {};
    ++started;
    return std::thread(std::move(body));
  }

  std::atomic<bool> fail{false};
  std::atomic<int> started{0};
};

}  // namespace tavrel
