// The real reader thread on a pseudo-terminal, fed by the emulator at 9600 baud: latency from
// the last byte of a report to the injected move, reports lost, idle wake-ups, CPU share; and
// beside it the floor: a bare poll + read loop on the same line at the same pacing, since
// absolute figures on a shared machine move from run to run.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/serial_port.h"
#include "platform/linux/linux_events.h"
#include "platform/linux/linux_runtime.h"
#include "platform/linux/serial_ports.h"
#include "testing/forwarding_serial_device.h"
#include "testing/link_test_support.h"
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

double ThreadCpuSeconds() {
  clockid_t id;
  pthread_getcpuclockid(pthread_self(), &id);
  return CpuSeconds(id);
}

// One run's figures at the line rate.
struct Figures {
  double cpuShare = 0;                  // of one core, in per cent
  double median = 0, p99 = 0, max = 0;  // latency in microseconds
  long lost = 0;
};

// Latency from each report's last byte to its arrival, and the share of reports lost.
Figures Measure(const std::vector<Clock::time_point>& sent,
                const std::vector<Clock::time_point>& arrived, double cpu, double seconds) {
  std::vector<double> latency;
  for (size_t i = 0; i < std::min(arrived.size(), sent.size()); ++i) {
    latency.push_back(std::chrono::duration<double, std::micro>(arrived[i] - sent[i]).count());
  }
  std::sort(latency.begin(), latency.end());
  Figures figures;
  figures.cpuShare = 100.0 * cpu / seconds;
  figures.lost = static_cast<long>(sent.size()) - static_cast<long>(arrived.size());
  if (latency.empty()) return figures;
  const auto at = [&](double share) {
    return latency[static_cast<size_t>(share * (latency.size() - 1))];
  };
  figures.median = at(0.5);
  figures.p99 = at(0.99);
  figures.max = latency.back();
  return figures;
}

// The floor: the same line, raw at 9600 baud, woken per report (VMIN 5) as the reader is, and
// a plain poll + read per report with nothing else.
Figures Floor(sim::ControllerEmulator& emulator, std::mutex& mutex,
              std::vector<Clock::time_point>& sent) {
  const int fd = open(emulator.LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  const int stop = eventfd(0, EFD_CLOEXEC);
  termios tio{};
  if (fd < 0 || stop < 0 || tcgetattr(fd, &tio) != 0) return {};
  cfmakeraw(&tio);
  cfsetspeed(&tio, B9600);
  tio.c_cc[VMIN] = 5;
  tio.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &tio);
  tcflush(fd, TCIFLUSH);
  {
    std::lock_guard lock(mutex);
    sent.clear();
  }
  std::vector<Clock::time_point> arrived;
  arrived.reserve(kReports);
  std::atomic<double> cpu{0};
  std::thread loop([&] {
    const double before = ThreadCpuSeconds();
    uint8_t bytes[64];
    size_t total = 0;
    cc_t wake = 5;
    for (;;) {
      // As the reader does: wake when the report under way is complete, so that a read that
      // took part of the next one does not leave every later wake behind by those bytes.
      const auto needed = static_cast<cc_t>(5 - total % 5);
      if (needed != wake) {
        tio.c_cc[VMIN] = wake = needed;
        tcsetattr(fd, TCSANOW, &tio);
      }
      pollfd fds[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
      if (poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN)) break;
      const ssize_t got = read(fd, bytes, sizeof bytes);
      if (got <= 0) continue;
      const auto now = Clock::now();
      total += static_cast<size_t>(got);
      while (arrived.size() < total / 5) arrived.push_back(now);
    }
    cpu = ThreadCpuSeconds() - before;
  });
  const auto start = Clock::now();
  for (uint32_t i = 0; i < kReports; ++i) emulator.Report(0x81, 100 + i % 1800, 100 + i % 1700);
  emulator.WaitSent(std::chrono::seconds(60));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const uint64_t one = 1;
  if (write(stop, &one, sizeof one) < 0) std::perror("eventfd");
  loop.join();
  close(fd);
  close(stop);
  std::lock_guard lock(mutex);
  return Measure(sent, arrived, cpu, seconds);
}

// "N.NN x", or "n/a" where the base is not positive.
std::string Ratio(double value, double base) {
  if (base <= 0) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f x", value / base);
  return text;
}

void PrintBeside(const Figures& reader, const Figures& floor) {
  std::printf("\nagainst the floor (bare poll + read, same line and pacing):\n");
  std::printf("                                      reader    floor     reader/floor\n");
  std::printf("CPU share (%% of one core)             %-9.2f %-9.2f %s (target <= 1.3 x)\n",
              reader.cpuShare, floor.cpuShare, Ratio(reader.cpuShare, floor.cpuShare).c_str());
  std::printf("latency median (us)                   %-9.0f %-9.0f %s\n", reader.median,
              floor.median, Ratio(reader.median, floor.median).c_str());
  std::printf("latency p99 (us)                      %-9.0f %-9.0f %+.0f us (target <= +100 us)\n",
              reader.p99, floor.p99, reader.p99 - floor.p99);
  std::printf("reports lost                          %-9ld %-9ld\n", reader.lost, floor.lost);
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
  Figures reader;
  {
    std::lock_guard lock(mutex);
    reader = Measure(sent, moves, cpu, busy);
  }
  const uint64_t wakeBefore = ports.wakeUps;
  std::this_thread::sleep_for(kIdle);
  const double idleWakes =
      (ports.wakeUps - wakeBefore) / std::chrono::duration<double>(kIdle).count();
  port.CloseSerialPort(0);
  const Figures floor = Floor(emulator, mutex, sent);
  emulator.Stop();
  std::filesystem::remove_all(dir);

  std::printf("reports sent at 9600 baud:            %u in %.1f s\n", kReports, busy);
  std::printf("latency last byte -> move (us):       median %.0f, p99 %.0f, max %.0f\n",
              reader.median, reader.p99, reader.max);
  std::printf("reports lost:                         %ld\n", reader.lost);
  std::printf("reader wake-ups per second, idle:     %.2f\n", idleWakes);
  std::printf("reader wake-ups per second, busy:     %.0f\n", busyWakes);
  std::printf("reader CPU share at the line rate:    %.2f %% of one core\n", 100.0 * cpu / busy);
  std::printf("  of which between waits:             %.2f %%\n", 100.0 * work / busy);
  PrintBeside(reader, floor);
  return 0;
}

}  // namespace
}  // namespace tavrel

int main() { return tavrel::Run(); }
