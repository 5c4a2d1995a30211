#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/clock.h"

namespace tavrel {

// Time that passes only when someone sleeps; records every pause.
class FakeClock : public Clock {
 public:
  void Sleep(uint32_t ms) override {
    std::lock_guard lock(mutex_);
    now_ += ms;
    sleeps_.push_back(ms);
  }
  uint64_t NowMs() override { return now_; }
  void Advance(uint32_t ms) { now_ += ms; }

  std::vector<uint32_t> Sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
  }

 private:
  mutable std::mutex mutex_;
  std::atomic<uint64_t> now_{0};
  std::vector<uint32_t> sleeps_;
};

}  // namespace tavrel
