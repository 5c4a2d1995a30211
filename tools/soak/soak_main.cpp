// tavrel-soak: the real program for a given time under Xvfb, fed by the emulator at the line rate
// with drags, taps and hang-ups, and what it shows: reports lost, reconnections, resident memory
// and open descriptors at the start and the end.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "tools/soak/gestures.h"
#include "tools/soak/live_rig.h"

namespace tavrel::soak {
namespace {

using namespace std::chrono_literals;

constexpr auto kHangUpEvery = 60s;
constexpr auto kGone = 3s;
constexpr uint32_t kDragsPerRound = 20, kTapsPerRound = 20, kDragSteps = 20;

struct Figures {
  uint64_t reports = 0, lost = 0, extra = 0, hangUps = 0, reconnections = 0;
  long rssStart = 0, rssEnd = 0, fdsStart = 0, fdsEnd = 0;
  double cpuSeconds = 0, seconds = 0;
};

// One round of touches; false when the line did not take them.
bool Round(LiveRig& rig, Gestures& gestures, Figures& figures) {
  const size_t before = rig.Watcher().Motions();
  uint64_t reports = 0;
  for (uint32_t i = 0; i < kDragsPerRound + kTapsPerRound; ++i) {
    reports += i % 2 == 0 && i / 2 < kDragsPerRound ? gestures.Drag(rig.Emulator(), kDragSteps)
                                                    : gestures.Tap(rig.Emulator());
  }
  if (!rig.Emulator().WaitSent(60s)) return false;
  // Every report is one move to a new pixel, so one raw motion each.
  rig.Watcher().WaitMotions(before + reports, 5s);
  const size_t seen = rig.Watcher().Motions() - before;
  figures.reports += reports;
  figures.lost += seen < reports ? reports - seen : 0;
  figures.extra += seen > reports ? seen - reports : 0;
  return true;
}

bool HangUpAndReturn(LiveRig& rig, Figures& figures) {
  ++figures.hangUps;
  rig.Emulator().HangUp();
  if (!rig.WaitCount("hung up", figures.hangUps, 10s)) return false;
  std::this_thread::sleep_for(kGone);
  rig.Emulator().Reconnect();
  if (!rig.WaitCount("answers again", figures.hangUps, 15s)) return false;
  ++figures.reconnections;
  return true;
}

void Print(const Figures& f) {
  std::printf("soak time:                  %.0f s\n", f.seconds);
  std::printf("reports sent:               %llu (%.0f per second)\n",
              static_cast<unsigned long long>(f.reports), f.reports / f.seconds);
  std::printf("reports lost:               %llu (outside hang-ups; %llu unexpected moves)\n",
              static_cast<unsigned long long>(f.lost), static_cast<unsigned long long>(f.extra));
  std::printf("hang-ups, reconnections:    %llu, %llu\n",
              static_cast<unsigned long long>(f.hangUps),
              static_cast<unsigned long long>(f.reconnections));
  std::printf("resident memory (KiB):      start %ld, end %ld\n", f.rssStart, f.rssEnd);
  std::printf("open descriptors:           start %ld, end %ld\n", f.fdsStart, f.fdsEnd);
  std::printf("program CPU share:          %.2f %% of one core\n",
              100.0 * f.cpuSeconds / f.seconds);
}

int Run(const std::string& program, double seconds) {
  LiveRig rig(program);
  if (!rig.Error().empty()) {
    std::fprintf(stderr, "tavrel-soak: %s\n", rig.Error().c_str());
    return 1;
  }
  Gestures gestures;
  Figures figures;
  // One round first, so that the start figures count what a running program holds.
  if (!Round(rig, gestures, figures)) return 1;
  figures = Figures{};
  figures.rssStart = ProcessResidentKiB(rig.ProgramPid());
  figures.fdsStart = ProcessOpenDescriptors(rig.ProgramPid());
  const double cpuStart = ProcessCpuSeconds(rig.ProgramPid());
  const auto start = SteadyClock::now();
  const auto end = start + std::chrono::duration<double>(seconds);
  auto nextHangUp = start + kHangUpEvery;
  bool healthy = true;
  while (healthy && SteadyClock::now() < end) {
    healthy = Round(rig, gestures, figures);
    if (healthy && SteadyClock::now() >= nextHangUp) {
      healthy = HangUpAndReturn(rig, figures);
      nextHangUp += kHangUpEvery;
    }
  }
  figures.seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
  figures.cpuSeconds = ProcessCpuSeconds(rig.ProgramPid()) - cpuStart;
  figures.rssEnd = ProcessResidentKiB(rig.ProgramPid());
  figures.fdsEnd = ProcessOpenDescriptors(rig.ProgramPid());
  Print(figures);
  if (!healthy)
    std::fprintf(stderr, "tavrel-soak: the program stopped answering:\n%s", rig.Output().c_str());
  return healthy && figures.lost == 0 && figures.reconnections == figures.hangUps ? 0 : 1;
}

}  // namespace
}  // namespace tavrel::soak

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "Usage: tavrel-soak PROGRAM [SECONDS]   (default 600)\n");
    return 2;
  }
  const double seconds = argc > 2 ? std::atof(argv[2]) : 600;
  return tavrel::soak::Run(argv[1], seconds > 0 ? seconds : 600);
}
