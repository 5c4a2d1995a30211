#include "link/report_framer.h"

namespace tavrel {

namespace {
bool IsStatus(uint8_t byte) { return byte == 0x80 || byte == 0x81; }
}  // namespace

bool ReportFramer::Take(uint8_t byte) {
  if (filled_ == 0 && !IsStatus(byte)) return false;
  report_[filled_++] = byte;
  if (filled_ < kReportLength) return false;
  filled_ = 0;
  return true;
}

}  // namespace tavrel
