#pragma once

#include "platform/tone_service.h"

namespace tavrel {

// Tones through Beep. Where Beep returns before the tone's length (Wine, machines without a
// speaker) the rest of the length is waited out, so that what follows keeps its timing.
class BeepTone : public ToneService {
 public:
  bool Beep(uint32_t frequencyHz, uint32_t durationMs) override;
};

}  // namespace tavrel
