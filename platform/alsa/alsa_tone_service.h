#pragma once

#include <mutex>
#include <string>

#include "platform/tone_service.h"

struct _snd_pcm;

namespace tavrel {

// Blocking square-wave tones on an ALSA device, opened on the first tone and kept. Every tone
// takes its full length even when it cannot sound (no device, a frequency out of range, a write
// error, the device busy with another thread's tone), so that the button press after it keeps
// its timing.
class AlsaToneService : public ToneService {
 public:
  static constexpr uint32_t kLowestHz = 37;
  static constexpr uint32_t kHighestHz = 32767;

  explicit AlsaToneService(std::string device = "default");
  ~AlsaToneService() override;
  AlsaToneService(const AlsaToneService&) = delete;
  AlsaToneService& operator=(const AlsaToneService&) = delete;

  // True when the tone was played whole; false when it only waited or was cut short.
  bool Beep(uint32_t frequencyHz, uint32_t durationMs) override;
  bool Beep(uint32_t frequencyHz, uint32_t durationMs, std::stop_token stop) override;

 private:
  bool Open();
  bool Play(uint32_t frequencyHz, uint32_t durationMs, const std::stop_token& stop);

  std::mutex mutex_;
  const std::string device_;
  bool opened_ = false;
  _snd_pcm* pcm_ = nullptr;
};

}  // namespace tavrel
