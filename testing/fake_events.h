#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/event_service.h"
#include "testing/fake_clock.h"

namespace tavrel {

// Events of the fakes: one lock and one condition for every event and fake serial device, so
// that a wait can cover both. Finite waits that nothing ends pass on the fake clock at once.
class FakeEventService : public EventService {
 public:
  class FakeEvent : public Event {
   public:
    explicit FakeEvent(FakeEventService& hub) : hub_(hub) {}
    bool Set() override {
      std::lock_guard lock(hub_.mutex);
      set_ = true;
      hub_.changed.notify_all();
      return true;
    }
    bool Reset() override {
      std::lock_guard lock(hub_.mutex);
      set_ = false;
      return true;
    }
    bool IsSet() const { return set_; }  // under the hub's mutex

   private:
    FakeEventService& hub_;
    bool set_ = false;
  };

  explicit FakeEventService(FakeClock& clock) : clock_(clock) {}

  std::unique_ptr<Event> Create(std::string_view) override {
    std::lock_guard lock(mutex);
    if (failCreate) return nullptr;
    ++created;
    return std::make_unique<FakeEvent>(*this);
  }
  int32_t WaitAny(std::span<Event* const> events, int32_t timeoutMs) override {
    std::unique_lock lock(mutex);
    return Wait(lock, events, timeoutMs, [] { return false; });
  }

  // Waits under the held lock until an event is set (its index), ready() holds (kWaitReceived)
  // or, for a finite time-out, at once when neither holds.
  template <typename Ready>
  int32_t Wait(std::unique_lock<std::mutex>& lock, std::span<Event* const> events,
               int32_t timeoutMs, Ready ready) {
    int32_t result = kWaitTimedOut;
    auto done = [&] {
      for (size_t i = 0; i < events.size(); ++i) {
        if (static_cast<FakeEvent*>(events[i])->IsSet()) {
          result = static_cast<int32_t>(i);
          return true;
        }
      }
      if (!ready()) return false;
      result = kWaitReceived;
      return true;
    };
    if (timeoutMs == kWaitForever) {
      changed.wait(lock, done);
    } else if (!done()) {
      clock_.Advance(static_cast<uint32_t>(timeoutMs));
    }
    return result;
  }

  std::mutex mutex;
  std::condition_variable changed;
  bool failCreate = false;  // under mutex
  int created = 0;          // under mutex

 private:
  FakeClock& clock_;
};

}  // namespace tavrel
