#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stop_token>

#include "platform/tone_service.h"
#include "testing/event_log.h"

namespace tavrel {

// Records every tone in the log. With takesTime it blocks for the tone's length, as the real
// tone does, unless stop is requested; otherwise it returns at once.
class FakeToneService : public ToneService {
 public:
  explicit FakeToneService(EventLog& log) : log_(log) {}

  bool Beep(uint32_t frequencyHz, uint32_t durationMs) override {
    return Beep(frequencyHz, durationMs, {});
  }
  bool Beep(uint32_t frequencyHz, uint32_t durationMs, std::stop_token stop) override {
    RecordedEvent event;
    event.kind = RecordedEvent::Kind::kTone;
    event.frequencyHz = frequencyHz;
    event.durationMs = durationMs;
    event.start = RecordedEvent::Clock::now();
    ++started;
    if (takesTime) {
      std::mutex mutex;
      std::unique_lock lock(mutex);
      std::condition_variable_any().wait_until(
          lock, stop, event.start + std::chrono::milliseconds(durationMs), [] { return false; });
    }
    const bool cut = stop.stop_requested();
    if (cut) ++cutShort;
    event.end = RecordedEvent::Clock::now();
    log_.Append(event);
    return !cut;
  }

  std::atomic<bool> takesTime{false};
  // Tones begun, and tones cut short (or not begun) because stop was requested.
  std::atomic<uint32_t> started{0};
  std::atomic<uint32_t> cutShort{0};

 private:
  EventLog& log_;
};

}  // namespace tavrel
