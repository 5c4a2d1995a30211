// XTest injection cost per event, under an Xvfb of the benchmark's own.
#include <benchmark/benchmark.h>

#include "bench/touch/sample_timer.h"
#include "platform/x11/xtest_pointer_service.h"
#include "testing/xvfb_server.h"

namespace tavrel {
namespace {

XTestPointerService& ThePointer() {
  static XvfbServer server(800, 600);
  static XTestPointerService pointer(server.Display());
  return pointer;
}

void BM_XTestMove(benchmark::State& state) {
  XTestPointerService& pointer = ThePointer();
  if (!pointer.IsOpen()) return state.SkipWithError("Xvfb or XTest unavailable");
  int32_t x = 0;
  TimeEachIteration(state, [&] {
    x = (x + 997) % 65536;
    pointer.SendInput({x, 65535 - x, 0, kMouseMove | kMouseAbsolute, 0, 0});
  });
}
BENCHMARK(BM_XTestMove)->Iterations(20000);

void BM_XTestButton(benchmark::State& state) {
  XTestPointerService& pointer = ThePointer();
  if (!pointer.IsOpen()) return state.SkipWithError("Xvfb or XTest unavailable");
  bool down = false;
  TimeEachIteration(state, [&] {
    pointer.SendInput({0, 0, 0, (down = !down) ? kMouseLeftDown : kMouseLeftUp, 0, 0});
  });
  if (down) pointer.SendInput({0, 0, 0, kMouseLeftUp, 0, 0});
}
BENCHMARK(BM_XTestButton)->Iterations(20000);

}  // namespace
}  // namespace tavrel

BENCHMARK_MAIN();
