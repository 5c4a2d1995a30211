#include "platform/alsa/alsa_tone_service.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>

namespace tavrel {

namespace {
constexpr unsigned int kRate = 48000;
constexpr unsigned int kLatencyUs = 20000;
constexpr int16_t kAmplitude = 8000;
constexpr snd_pcm_uframes_t kChunkFrames = kRate / 100;

// The program has no log: a machine without sound is normal, not worth lines on the terminal.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

AlsaToneService::AlsaToneService(std::string device) : device_(std::move(device)) {}

AlsaToneService::~AlsaToneService() {
  if (pcm_ != nullptr) snd_pcm_close(pcm_);
}

bool AlsaToneService::Beep(uint32_t frequencyHz, uint32_t durationMs) {
  return Beep(frequencyHz, durationMs, {});
}

bool AlsaToneService::Beep(uint32_t frequencyHz, uint32_t durationMs, std::stop_token stop) {
  // A tone that finds the device busy with another thread's tone (the reader's, of any stored
  // length) only waits its own length: no caller ever waits for another's tone.
  std::unique_lock device(mutex_, std::try_to_lock);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs);
  const bool inRange = frequencyHz >= kLowestHz && frequencyHz <= kHighestHz;
  const bool played =
      device.owns_lock() && inRange && Open() && Play(frequencyHz, durationMs, stop);
  // The rest of the tone's length, unless stop is requested first.
  std::mutex waitMutex;
  std::unique_lock wait(waitMutex);
  std::condition_variable_any().wait_until(wait, stop, end, [] { return false; });
  return played && !stop.stop_requested();
}

// One attempt only: a machine without sound should not pay for a failed open on every touch.
bool AlsaToneService::Open() {
  if (opened_) return pcm_ != nullptr;
  opened_ = true;
  snd_lib_error_set_handler(IgnoreAlsaError);
  if (snd_pcm_open(&pcm_, device_.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0) {
    pcm_ = nullptr;
    return false;
  }
  if (snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate, 1,
                         kLatencyUs) < 0) {
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
    return false;
  }
  return true;
}

bool AlsaToneService::Play(uint32_t frequencyHz, uint32_t durationMs, const std::stop_token& stop) {
  uint64_t frames = uint64_t{kRate} * durationMs / 1000;
  const uint64_t halfPeriod = std::max<uint64_t>(1, kRate / (2 * uint64_t{frequencyHz}));
  std::array<int16_t, kChunkFrames> chunk;
  uint64_t frame = 0;
  while (frame < frames) {
    if (stop.stop_requested()) {
      // Cut short: what is queued is dropped, and the device is ready for the next tone.
      snd_pcm_drop(pcm_);
      return snd_pcm_prepare(pcm_) >= 0;
    }
    const snd_pcm_uframes_t count = std::min<uint64_t>(kChunkFrames, frames - frame);
    for (snd_pcm_uframes_t i = 0; i < count; ++i) {
      chunk[i] = ((frame + i) / halfPeriod) % 2 == 0 ? kAmplitude : -kAmplitude;
    }
    snd_pcm_sframes_t written = snd_pcm_writei(pcm_, chunk.data(), count);
    if (written < 0) written = snd_pcm_recover(pcm_, static_cast<int>(written), 1);
    if (written < 0) return false;
    frame += static_cast<uint64_t>(written);
  }
  // Returns when the last sample has sounded; the device is then ready for the next tone.
  snd_pcm_drain(pcm_);
  return snd_pcm_prepare(pcm_) >= 0;
}

}  // namespace tavrel
