#include "link/report_framer.h"

namespace tavrel {

bool ReportFramer::Take(uint8_t byte) {
  if (filled_ == 0 && !IsReportStart(byte)) return false;
  report_[filled_++] = byte;
  if (filled_ < kReportLength) return false;
  filled_ = 0;
  return true;
}

}  // namespace tavrel
