// Injection cost per event through the kernel's virtual pointer device, to set beside XTest's
// (bench_xtest_pointer). Only where /dev/uinput can be opened: inside an emulated guest the
// figures would be the emulator's, not comparable with XTest's measured here.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "bench/touch/sample_timer.h"
#include "platform/uinput/uinput_pointer_service.h"

namespace tavrel {
namespace {

std::unique_ptr<UinputPointerService> pointer;

void BM_UinputMove(benchmark::State& state) {
  int32_t x = 0;
  TimeEachIteration(state, [&] {
    x = (x + 997) % 65536;
    pointer->SendInput({x, 65535 - x, 0, kMouseMove | kMouseAbsolute, 0, 0});
  });
}
BENCHMARK(BM_UinputMove)->Iterations(20000);

void BM_UinputButton(benchmark::State& state) {
  bool down = false;
  TimeEachIteration(state, [&] {
    pointer->SendInput({0, 0, 0, (down = !down) ? kMouseLeftDown : kMouseLeftUp, 0, 0});
  });
  if (down) pointer->SendInput({0, 0, 0, kMouseLeftUp, 0, 0});
}
BENCHMARK(BM_UinputButton)->Iterations(20000);

}  // namespace
}  // namespace tavrel

int main(int argc, char** argv) {
  tavrel::pointer = std::make_unique<tavrel::UinputPointerService>();
  if (!tavrel::pointer->IsOpen()) {
    std::printf("BM_UinputMove    n/a: no /dev/uinput (%s)\nBM_UinputButton  n/a: no /dev/uinput\n",
                tavrel::pointer->Error().c_str());
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  tavrel::pointer.reset();
  return 0;
}
