#pragma once

#include <atomic>
#include <thread>

#include "platform/fake/event_log.h"
#include "platform/tone_service.h"

namespace tavrel {

// Records every tone in the log. With takesTime it blocks for the tone's length, as the real
// tone does; otherwise it returns at once.
class FakeToneService : public ToneService {
 public:
  explicit FakeToneService(EventLog& log) : log_(log) {}

  bool Beep(uint32_t frequencyHz, uint32_t durationMs) override {
    RecordedEvent event;
    event.kind = RecordedEvent::Kind::kTone;
    event.frequencyHz = frequencyHz;
    event.durationMs = durationMs;
    event.start = RecordedEvent::Clock::now();
    if (takesTime) std::this_thread::sleep_for(std::chrono::milliseconds(durationMs));
    event.end = RecordedEvent::Clock::now();
    log_.Append(event);
    return true;
  }

  std::atomic<bool> takesTime{false};

 private:
  EventLog& log_;
};

}  // namespace tavrel
