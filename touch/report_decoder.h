#pragma once

#include <cstdint>

#include "platform/pointer_service.h"
#include "platform/tone_service.h"
#include "settings/touch_settings.h"

namespace tavrel {

// Report status bytes.
inline constexpr uint8_t kStatusTouching = 0x81;
inline constexpr uint8_t kStatusReleased = 0x80;

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
};

}  // namespace tavrel
