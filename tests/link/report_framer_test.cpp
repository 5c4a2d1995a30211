#include "link/report_framer.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavrel {
namespace {

using Bytes = std::vector<uint8_t>;

std::vector<Bytes> Frame(ReportFramer& framer, const std::vector<Bytes>& reads) {
  std::vector<Bytes> reports;
  for (const Bytes& read : reads) {
    framer.Feed(read.data(), static_cast<uint32_t>(read.size()),
                [&](const ReportFramer::Report& r) { reports.emplace_back(r.begin(), r.end()); });
  }
  return reports;
}

TEST(ReportFramerTest, CutsTheStreamAtStatusBytes) {
  const Bytes a = {0x81, 0x01, 0x02, 0x03, 0x04};
  const Bytes b = {0x80, 0x05, 0x06, 0x07, 0x08};
  struct Row {
    const char* legend;
    std::vector<Bytes> reads;
    std::vector<Bytes> reports;
    uint32_t pending;
  };
  const Row rows[] = {
      {"whole report in one read", {a}, {a}, 0},
      {"split 1+4", {{0x81}, {0x01, 0x02, 0x03, 0x04}}, {a}, 0},
      {"split 2+3", {{0x81, 0x01}, {0x02, 0x03, 0x04}}, {a}, 0},
      {"split 4+1", {{0x81, 0x01, 0x02, 0x03}, {0x04}}, {a}, 0},
      {"one byte per read", {{0x81}, {0x01}, {0x02}, {0x03}, {0x04}}, {a}, 0},
      {"garbage before a report is skipped", {{0x00, 0x7F, 0x0A, 0x41}, a}, {a}, 0},
      {"ten bytes give two reports in order",
       {{0x81, 0x01, 0x02, 0x03, 0x04, 0x80, 0x05, 0x06, 0x07, 0x08}},
       {a, b},
       0},
      {"a status byte inside a report is data",
       {{0x81, 0x80, 0x81, 0x80, 0x81}},
       {{0x81, 0x80, 0x81, 0x80, 0x81}},
       0},
      {"seven bytes: one report, two kept for the next", {{0x81, 1, 2, 3, 4, 0x80, 5}}, {a}, 2},
      {"four bytes give nothing yet", {{0x81, 1, 2, 3}}, {}, 4},
      {"status bytes other than 0x80 and 0x81 do not start one", {{0x82, 0xFF, 1, 2, 3, 4}}, {}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ReportFramer framer;
    EXPECT_EQ(Frame(framer, row.reads), row.reports);
    EXPECT_EQ(framer.Pending(), row.pending);
  }
}

TEST(ReportFramerTest, ResetDropsTheReportInProgress) {
  ReportFramer framer;
  Frame(framer, {{0x81, 0x01, 0x02}});
  framer.Reset();
  EXPECT_EQ(Frame(framer, {{0x03, 0x04, 0x80, 5, 6, 7, 8}}),
            (std::vector<Bytes>{{0x80, 5, 6, 7, 8}}));
}

}  // namespace
}  // namespace tavrel
