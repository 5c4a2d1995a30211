#pragma once

#include <array>
#include <cstdint>

#include "touch/touch_report.h"

namespace tavrel {

// Cuts the controller's byte stream into 5-byte touch reports (their bytes: touch/touch_report.h).
//
// Resync rules: outside a report every byte but a status byte is skipped; a status byte starts a
// report and the next four bytes complete it, whatever they are. A report in progress survives
// across reads until Reset (the line is purged whenever the reader is parked).
class ReportFramer {
 public:
  static constexpr uint32_t kReportLength = kTouchReportLength;
  using Report = ReportBytes;

  // Feeds received bytes; calls onReport(const Report&) for each report they complete, in order.
  template <typename OnReport>
  void Feed(const uint8_t* bytes, uint32_t count, OnReport&& onReport) {
    for (uint32_t i = 0; i < count; ++i) {
      if (Take(bytes[i])) onReport(static_cast<const Report&>(report_));
    }
  }
  void Reset() { filled_ = 0; }
  uint32_t Pending() const { return filled_; }

 private:
  // True when the byte completes a report.
  bool Take(uint8_t byte);

  Report report_{};
  uint32_t filled_ = 0;
};

}  // namespace tavrel
