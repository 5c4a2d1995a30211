#pragma once

#include <cstdint>

namespace tavrel {

class ToneService {
 public:
  virtual ~ToneService() = default;
  // Plays a tone and returns when it has ended. Without a sound device it still takes the
  // tone's length, so that what follows keeps its timing.
  virtual bool Beep(uint32_t frequencyHz, uint32_t durationMs) = 0;
};

}  // namespace tavrel
