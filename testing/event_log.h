#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "platform/pointer_service.h"

namespace tavrel {

// One injected pointer event or played tone, with when it started and ended.
struct RecordedEvent {
  enum class Kind { kPointer, kTone };
  using Clock = std::chrono::steady_clock;

  Kind kind = Kind::kPointer;
  MouseInput input;          // pointer events
  uint32_t frequencyHz = 0;  // tones
  uint32_t durationMs = 0;
  Clock::time_point start;
  Clock::time_point end;
};

// A compact text for comparing event sequences in tests: "move 3335,62220", "left down",
// "right up", "tone 2500/40"; flags no single word covers are printed in hex.
inline std::string Describe(const RecordedEvent& event) {
  if (event.kind == RecordedEvent::Kind::kTone) {
    return "tone " + std::to_string(event.frequencyHz) + "/" + std::to_string(event.durationMs);
  }
  const MouseInput& in = event.input;
  switch (in.dwFlags) {
    case kMouseMove | kMouseAbsolute:
      return "move " + std::to_string(in.dx) + "," + std::to_string(in.dy);
    case kMouseLeftDown:
      return "left down";
    case kMouseLeftUp:
      return "left up";
    case kMouseRightDown:
      return "right down";
    case kMouseRightUp:
      return "right up";
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "flags %#x", in.dwFlags);
  return hex;
}

// The common, thread-safe record of the fake pointer and tone services, so that their order can
// be checked. Keeps at most `keep` (at least 1) of the latest events, as benchmarks send millions,
// and counts all.
class EventLog {
 public:
  explicit EventLog(size_t keep = std::numeric_limits<size_t>::max())
      : keep_(keep > 0 ? keep : 1) {}

  void Append(const RecordedEvent& event) {
    std::lock_guard lock(mutex_);
    if (events_.size() == keep_) {
      events_.pop_front();
      ++dropped_;
    }
    events_.push_back(event);
  }

  std::vector<RecordedEvent> Events() const {
    std::lock_guard lock(mutex_);
    return {events_.begin(), events_.end()};
  }
  std::vector<std::string> Descriptions() const {
    std::vector<std::string> texts;
    for (const RecordedEvent& event : Events()) texts.push_back(Describe(event));
    return texts;
  }
  // The descriptions of the tones alone, in order.
  std::vector<std::string> Tones() const {
    std::vector<std::string> tones;
    for (const RecordedEvent& event : Events()) {
      if (event.kind == RecordedEvent::Kind::kTone) tones.push_back(Describe(event));
    }
    return tones;
  }
  size_t Total() const {
    std::lock_guard lock(mutex_);
    return events_.size() + dropped_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
    dropped_ = 0;
  }

 private:
  mutable std::mutex mutex_;
  const size_t keep_;
  std::deque<RecordedEvent> events_;
  size_t dropped_ = 0;
};

}  // namespace tavrel
