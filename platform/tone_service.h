#pragma once

#include <cstdint>
#include <stop_token>

namespace tavrel {

class ToneService {
 public:
  virtual ~ToneService() = default;
  // Plays a tone and returns when it has ended. Without a sound device it still takes the
  // tone's length, so that what follows keeps its timing.
  virtual bool Beep(uint32_t frequencyHz, uint32_t durationMs) = 0;
  // The same, but cut short once stop is requested (and not started when it already is), so
  // that no stored length can hold up the thread that plays it. A back end that cannot cut a
  // tone short plays it whole.
  virtual bool Beep(uint32_t frequencyHz, uint32_t durationMs, std::stop_token stop) {
    return !stop.stop_requested() && Beep(frequencyHz, durationMs);
  }
};

}  // namespace tavrel
