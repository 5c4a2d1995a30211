#pragma once

#include <cstdint>
#include <mutex>
#include <stop_token>

#include "platform/pointer_service.h"
#include "platform/tone_service.h"
#include "settings/touch_settings.h"
#include "touch/calibration_transform.h"
#include "touch/touch_report.h"

namespace tavrel {

// Decoder modes, as the settings' decoder mode holds them.
inline constexpr int32_t kDecoderNormal = 0;
inline constexpr int32_t kDecoderCapture = 1;

// Turns the controller's 5-byte touch reports into pointer moves, button presses and the touch
// tone. Runs on the serial reader thread only; free of I/O other than the injected events.
class ReportDecoder {
 public:
  ReportDecoder(TouchSettings& settings, PointerService& pointer, ToneService& tone);
  ReportDecoder(const ReportDecoder&) = delete;
  ReportDecoder& operator=(const ReportDecoder&) = delete;

  // bytes holds length received bytes; mode is the settings' decoder mode read just before.
  void DecodeReport(const uint8_t* bytes, uint32_t length, int32_t mode);
  // Absolute move, 0..65535 over the primary screen. Returns the platform's event count.
  uint32_t MoveTo(int32_t x, int32_t y);
  // Button transition for a status byte, with the touch tone before a press.
  uint32_t SendButton(uint8_t status);

  // From any thread: cuts the touch tone in progress short and keeps later ones silent until
  // AllowTone, so that the reader thread can park or end whatever tone length is stored.
  void InterruptTone();
  void AllowTone();

 private:
  void Capture(const TouchReport& report);
  // The movement filter: during a continuing touch only points outside the click box around the
  // last accepted point pass, and become the new last accepted point.
  bool PassesFilter(CalibratedPoint point, uint8_t status);
  bool RightClickEnabled();
  uint32_t Send(uint32_t flags);

  TouchSettings& settings_;
  PointerService& pointer_;
  ToneService& tone_;

  std::mutex toneMutex_;
  std::stop_source toneStop_;  // under toneMutex_

  // Reader thread only.
  uint8_t lastStatus_ = kStatusReleased;
  int32_t lastX_ = 1000;
  int32_t lastY_ = 1000;
  // Every event is built here; dx and dy keep the last move.
  MouseInput mouse_;
};

}  // namespace tavrel
