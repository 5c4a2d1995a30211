#include "touch/touch_report.h"

#include "settings/touch_settings.h"

namespace tavrel {

namespace {
int32_t RawCoordinate(uint8_t high, uint8_t low) {
  return TouchSettings::ComposeRawCoordinate((high >> 1) & 7, low | ((high & 1) << 7));
}
}  // namespace

std::optional<TouchReport> UnpackReport(const uint8_t* bytes, uint32_t length) {
  if (length < kTouchReportLength) return std::nullopt;
  if (!IsReportStart(bytes[0])) return std::nullopt;
  return TouchReport{bytes[0], RawCoordinate(bytes[1], bytes[2]),
                     RawCoordinate(bytes[3], bytes[4])};
}

}  // namespace tavrel
