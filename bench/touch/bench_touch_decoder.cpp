// Decoder cost per report with the real settings file and a recording pointer: a continuing touch
// (decode, transform, filter, move) and a button transition (which reads "RightClickEnabled"
// from the file).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "bench/touch/sample_timer.h"
#include "platform/linux/settings_file_store.h"
#include "testing/fake_pointer_service.h"
#include "testing/fake_system_parameters.h"
#include "testing/fake_tone_service.h"
#include "testing/fake_window_service.h"
#include "touch/report_decoder.h"

namespace tavrel {
namespace {

constexpr uint8_t kTouchA[] = {0x81, 0x07, 0x68, 0x07, 0x68};  // raw (1000, 1000)
constexpr uint8_t kTouchB[] = {0x81, 0x07, 0x72, 0x07, 0x72};  // raw (1010, 1010)
constexpr uint8_t kLift[] = {0x80, 0x07, 0x72, 0x07, 0x72};

// The program's objects on a settings file in a directory of their own.
struct Rig {
  static std::string MakeDirectory() {
    char name[] = "/tmp/tavrel-bench-XXXXXX";
    return ::mkdtemp(name) != nullptr ? name : "";
  }

  Rig() : directory(MakeDirectory()), store(directory) {}
  ~Rig() { std::filesystem::remove_all(directory); }

  const std::string directory;
  SettingsFileStore store;
  FakeSystemParameters system;
  FakeWindowService windows;
  TouchSettings settings{{store, system, windows}};
  EventLog log{1024};
  FakePointerService pointer{log};
  FakeToneService tone{log};
  ReportDecoder decoder{settings, pointer, tone};

  void Feed(const uint8_t* report) { decoder.DecodeReport(report, 5, settings.GetDecoderMode()); }
};

Rig& TheRig() {
  static Rig rig;
  return rig;
}

void BM_ContinuingTouchReport(benchmark::State& state) {
  Rig& rig = TheRig();
  rig.Feed(kTouchA);
  // Ten units apart: every report passes the click box of 5 and moves the pointer.
  bool flip = false;
  TimeEachIteration(state, [&] { rig.Feed((flip = !flip) ? kTouchB : kTouchA); });
  rig.Feed(kLift);
}
BENCHMARK(BM_ContinuingTouchReport)->Iterations(1000000);

void BM_ButtonTransition(benchmark::State& state) {
  Rig& rig = TheRig();
  bool down = false;
  TimeEachIteration(state, [&] { rig.Feed((down = !down) ? kTouchA : kLift); });
  if (down) rig.Feed(kLift);
}
BENCHMARK(BM_ButtonTransition)->Iterations(20000);

}  // namespace
}  // namespace tavrel

BENCHMARK_MAIN();
