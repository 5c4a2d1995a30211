// The reader's framing on any byte stream cut into any reads: every report handed on starts with
// a status byte, none is lost or invented, and the decoder takes each without harm.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/report_framer.h"
#include "testing/link_test_support.h"

namespace {

using namespace tavrel;

// The reports the stream holds, cut as the framing rules say, in one pass over all of it.
size_t CountReports(const uint8_t* bytes, size_t size) {
  size_t reports = 0;
  for (size_t i = 0; i < size;) {
    if (!IsReportStart(bytes[i])) {
      ++i;
    } else if (i + ReportFramer::kReportLength <= size) {
      ++reports, i += ReportFramer::kReportLength;
    } else {
      break;
    }
  }
  return reports;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ProgramSide program(64);
  if (size < 2) return 0;
  // The first byte sets the read sizes and the decoder mode; the rest is the stream.
  const uint32_t readSize = 1 + data[0] % 16;
  const int32_t mode = (data[0] >> 4) % 3;
  const uint8_t* stream = data + 1;
  const size_t length = size - 1;
  ReportFramer framer;
  size_t reports = 0;
  for (size_t at = 0; at < length; at += readSize) {
    const uint32_t count = static_cast<uint32_t>(std::min<size_t>(readSize, length - at));
    framer.Feed(stream + at, count, [&](const ReportFramer::Report& report) {
      if (!IsReportStart(report[0])) std::abort();
      ++reports;
      program.decoder.DecodeReport(report.data(), ReportFramer::kReportLength, mode);
    });
  }
  if (reports != CountReports(stream, length)) std::abort();
  // Capture mode stores the captured point; the fake store's record of writes would grow.
  program.store.ClearWrites();
  return 0;
}
