// The real reader thread on a pseudo-terminal, fed by the emulator at 9600 baud: latency from
// the last byte of a report to the injected move, reports lost, idle wake-ups, CPU share.
#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "link/serial_port.h"
#include "platform/fake/forwarding_serial_device.h"
#include "platform/linux/linux_events.h"
#include "platform/linux/linux_runtime.h"
#include "platform/linux/serial_ports.h"
#include "tests/link/link_test_support.h"
#include "tools/sim/controller_emulator.h"

namespace tavrel {
namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kReports = 2500;
constexpr auto kIdle = std::chrono::seconds(10);

// The Linux ports, counting the reader's wake-ups and noting its CPU clock.
class CountingPorts : public SerialPorts {
 public:
  std::unique_ptr<SerialDevice> Open(std::string_view name) override {
    auto device = ports_.Open(name);
    return device ? std::make_unique<Counted>(std::move(device), *this) : nullptr;
  }
  std::atomic<uint64_t> wakeUps{0};
  std::atomic<clockid_t> readerClock{0};
  std::atomic<bool> haveClock{false};
  // Wall time the reader spends between its waits: the program's own work.
  std::atomic<uint64_t> workNs{0};

 private:
  class Counted : public ForwardingSerialDevice {
   public:
    Counted(std::unique_ptr<SerialDevice> device, CountingPorts& owner)
        : ForwardingSerialDevice(std::move(device)), owner_(owner) {}
    int32_t WaitReceived(std::span<Event* const> events, int32_t ms, uint32_t n) override {
      if (!owner_.haveClock) {
        clockid_t id;
        pthread_getcpuclockid(pthread_self(), &id);
        owner_.readerClock = id;
        owner_.haveClock = true;
      }
      const auto asleep = Clock::now();
      if (awake_ != Clock::time_point()) owner_.workNs += (asleep - awake_).count();
      const int32_t result = ForwardingSerialDevice::WaitReceived(events, ms, n);
      awake_ = Clock::now();
      ++owner_.wakeUps;
      return result;
    }

   private:
    CountingPorts& owner_;
    Clock::time_point awake_;
  };
  LinuxSerialPorts ports_;
};

double CpuSeconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

int Run() {
  char dir[] = "/tmp/tavrel-bench-XXXXXX";
  setenv("TAVREL_MACHINE_DIR", mkdtemp(dir), 1);
  ProgramSide program;
  CountingPorts ports;
  LinuxEventService events;
  LinuxThreadService threads;
  SystemClock clock;
  CTvSerialPort port(program.settings, program.decoder, {ports, events, threads, clock});

  sim::EmulatorOptions options;
  options.machineDir = dir;
  sim::ControllerEmulator emulator(options);
  std::mutex mutex;
  std::vector<Clock::time_point> sent;
  emulator.OnReportSent([&](Clock::time_point at) {
    std::lock_guard lock(mutex);
    sent.push_back(at);
  });
  if (!emulator.Start() || port.OpenSerialPort("COM5:") != 1) {
    std::fprintf(stderr, "cannot set up the line: %s\n", emulator.Error().c_str());
    return 1;
  }
  while (!ports.haveClock) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  // A touch that keeps moving: after the first report every report is exactly one move.
  const double cpuBefore = CpuSeconds(ports.readerClock);
  const uint64_t busyWakesBefore = ports.wakeUps;
  const uint64_t workBefore = ports.workNs;
  const auto start = Clock::now();
  for (uint32_t i = 0; i < kReports; ++i) emulator.Report(0x81, 100 + i % 1800, 100 + i % 1700);
  emulator.WaitSent(std::chrono::seconds(60));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const double busy = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = CpuSeconds(ports.readerClock) - cpuBefore;
  const double busyWakes = (ports.wakeUps - busyWakesBefore) / busy;
  const double work = (ports.workNs - workBefore) / 1e9;

  std::vector<Clock::time_point> moves;
  for (const RecordedEvent& event : program.log.Events()) {
    if (event.kind == RecordedEvent::Kind::kPointer &&
        event.input.dwFlags == (kMouseMove | kMouseAbsolute)) {
      moves.push_back(event.start);
    }
  }
  std::vector<double> latency;
  for (size_t i = 0; i < std::min(moves.size(), sent.size()); ++i) {
    latency.push_back(std::chrono::duration<double, std::micro>(moves[i] - sent[i]).count());
  }
  std::sort(latency.begin(), latency.end());
  const auto at = [&](double share) {
    return latency[static_cast<size_t>(share * (latency.size() - 1))];
  };

  const uint64_t wakeBefore = ports.wakeUps;
  std::this_thread::sleep_for(kIdle);
  const double idleWakes =
      (ports.wakeUps - wakeBefore) / std::chrono::duration<double>(kIdle).count();
  port.CloseSerialPort(0);
  emulator.Stop();
  std::filesystem::remove_all(dir);

  std::printf("reports sent at 9600 baud:            %u in %.1f s\n", kReports, busy);
  std::printf("latency last byte -> move (us):       median %.0f, p99 %.0f, max %.0f\n", at(0.5),
              at(0.99), latency.back());
  std::printf("reports lost:                         %ld\n",
              static_cast<long>(kReports) - static_cast<long>(moves.size()));
  std::printf("reader wake-ups per second, idle:     %.2f\n", idleWakes);
  std::printf("reader wake-ups per second, busy:     %.0f\n", busyWakes);
  std::printf("reader CPU share at the line rate:    %.2f %% of one core\n", 100.0 * cpu / busy);
  std::printf("  of which between waits:             %.2f %%\n", 100.0 * work / busy);
  return 0;
}

}  // namespace
}  // namespace tavrel

int main() { return tavrel::Run(); }
