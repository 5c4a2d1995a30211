#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tavrel {

// Report status bytes.
inline constexpr uint8_t kStatusTouching = 0x81;
inline constexpr uint8_t kStatusReleased = 0x80;

// One 5-byte touch report from the controller:
//
//   byte 0   status: 0x81 touching, 0x80 released; anything else is not a report
//   byte 1   X high: bits 3..1 = X bits 10..8, bit 0 = X bit 7, bits 7..4 ignored
//   byte 2   X low:  OR-ed into X bits 7..0
//   byte 3   Y high: as byte 1
//   byte 4   Y low:  as byte 2
struct TouchReport {
  uint8_t status = kStatusReleased;
  int32_t rawX = 0;  // 0..2047
  int32_t rawY = 0;
};

inline constexpr uint32_t kTouchReportLength = 5;
using ReportBytes = std::array<uint8_t, kTouchReportLength>;

// The bytes a report starts with; the stream is cut into reports at them.
constexpr bool IsReportStart(uint8_t byte) {
  return byte == kStatusTouching || byte == kStatusReleased;
}

// A report as the controller sends it: X and Y as bits 10..7 in the high byte and bits 6..0 in
// the low byte, so that no byte but the first can pass for a report's start.
constexpr ReportBytes EncodeReport(uint8_t status, uint32_t x, uint32_t y) {
  return {status, static_cast<uint8_t>((x >> 7) & 0x0F), static_cast<uint8_t>(x & 0x7F),
          static_cast<uint8_t>((y >> 7) & 0x0F), static_cast<uint8_t>(y & 0x7F)};
}

// The report in the first five of length bytes; nothing for a short buffer or another status.
std::optional<TouchReport> UnpackReport(const uint8_t* bytes, uint32_t length);

}  // namespace tavrel
