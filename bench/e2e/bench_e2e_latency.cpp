// The whole path at the line rate: the emulator writes a report's last byte, the program reads,
// decodes and injects the move through XTest, and another X client receives it as XI2 raw
// motion. Median and 99th percentile of that time, and reports lost.
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "tools/soak/live_rig.h"
#include "touch/touch_report.h"

namespace tavrel::soak {
namespace {

// One long touch: its touch-down tone (which the reader sounds before the press) delays only the
// first reports, and every later report is a move to a new pixel.
constexpr uint32_t kMoves = 1200, kColumns = 40, kRows = 20, kStep = 24, kOrigin = 400;

int Run() {
  LiveRig rig(TAVREL_PROGRAM);
  if (!rig.Error().empty()) {
    std::fprintf(stderr, "bench_e2e_latency: %s\n", rig.Error().c_str());
    return 1;
  }
  std::mutex mutex;
  std::vector<SteadyClock::time_point> sent;
  rig.Emulator().OnReportSent([&](SteadyClock::time_point at) {
    std::lock_guard lock(mutex);
    sent.push_back(at);
  });
  const size_t before = rig.Watcher().Motions();
  const uint32_t reports = kMoves + 1;
  for (uint32_t i = 0; i < kMoves; ++i) {
    rig.Emulator().Report(kStatusTouching, kOrigin + (i % kColumns) * kStep,
                          kOrigin + (i / kColumns % kRows) * kStep);
  }
  // The lift, away from the last move.
  rig.Emulator().Report(kStatusReleased, kOrigin + kStep / 2, kOrigin + kStep / 2);
  rig.Emulator().WaitSent(std::chrono::seconds(120));
  rig.Watcher().WaitMotions(before + reports, std::chrono::seconds(5));
  const std::vector<SteadyClock::time_point> motions = rig.Watcher().MotionTimes();

  std::vector<double> latency;
  std::lock_guard lock(mutex);
  // Every report moves the pointer to a new pixel: the n-th motion answers the n-th report.
  for (size_t i = 0; i < sent.size() && before + i < motions.size(); ++i) {
    latency.push_back(
        std::chrono::duration<double, std::micro>(motions[before + i] - sent[i]).count());
  }
  if (latency.empty()) return 1;
  std::sort(latency.begin(), latency.end());
  const auto at = [&](double share) {
    return latency[static_cast<size_t>(share * (latency.size() - 1))];
  };
  std::printf("reports through the program under Xvfb:   %u\n", reports);
  std::printf("last byte -> XI2 raw motion (us):         median %.0f, p99 %.0f, max %.0f\n",
              at(0.5), at(0.99), latency.back());
  std::printf("reports lost:                             %ld\n",
              static_cast<long>(reports) - static_cast<long>(motions.size() - before));
  return 0;
}

}  // namespace
}  // namespace tavrel::soak

int main() { return tavrel::soak::Run(); }
