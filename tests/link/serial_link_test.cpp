// CTvSerialPort on real pseudo-terminals, against the controller emulator, with the Linux back
// end opening the ports exactly as the program does.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <memory>

#include "link/serial_port.h"
#include "platform/linux/linux_events.h"
#include "platform/linux/linux_runtime.h"
#include "platform/linux/serial_ports.h"
#include "testing/forwarding_serial_device.h"
#include "testing/link_test_support.h"
#include "testing/scratch_machine_directory.h"
#include "tools/sim/controller_emulator.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;
namespace lr = link_result;
using sim::ControllerEmulator;
using sim::ControllerMemory;

// The Linux ports, recording which names were opened and when a device was closed.
class RecordingPorts : public SerialPorts {
 public:
  std::unique_ptr<SerialDevice> Open(std::string_view name) override {
    trail.push_back("open " + std::string(name));
    auto device = ports_.Open(name);
    if (!device) return nullptr;
    return std::make_unique<Recorded>(std::move(device), trail, writes);
  }
  std::vector<std::string> trail;
  std::atomic<size_t> writes{0};

 private:
  class Recorded : public ForwardingSerialDevice {
   public:
    Recorded(std::unique_ptr<SerialDevice> device, std::vector<std::string>& trail,
             std::atomic<size_t>& writes)
        : ForwardingSerialDevice(std::move(device)), trail_(trail), writes_(writes) {}
    ~Recorded() override { trail_.push_back("close"); }
    std::optional<uint32_t> Write(const uint8_t* bytes, uint32_t count, uint32_t ms) override {
      ++writes_;
      return ForwardingSerialDevice::Write(bytes, count, ms);
    }

   private:
    std::vector<std::string>& trail_;
    std::atomic<size_t>& writes_;
  };
  LinuxSerialPorts ports_;
};

// The pause after a write lasts until the emulator has taken every request written so far and sent
// its whole answer, so that a loaded machine never makes a sound line look silent. Tests of
// silence and of hang-ups keep the real pause, and so does a port with no emulator behind it.
class AnsweredClock : public Clock {
 public:
  AnsweredClock(std::unique_ptr<ControllerEmulator>& emulator, const std::atomic<size_t>& writes)
      : emulator_(emulator), writes_(writes) {}
  void Sleep(uint32_t ms) override {
    if (real || !emulator_) return system_.Sleep(ms);
    const size_t written = writes_;
    EXPECT_TRUE(WaitUntil([&] { return emulator_->Requests().size() >= written; }));
    EXPECT_TRUE(emulator_->WaitSent(10s));
  }
  uint64_t NowMs() override { return system_.NowMs(); }

  bool real = false;

 private:
  std::unique_ptr<ControllerEmulator>& emulator_;
  const std::atomic<size_t>& writes_;
  SystemClock system_;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class SerialLinkTest : public ::testing::Test {
 protected:
  // Starts the emulator on COM5, misbehaving as `misbehave` says.
  ControllerEmulator& StartEmulator(ControllerMemory memory = {}) {
    sim::EmulatorOptions options;
    options.machineDir = machine.Path();
    options.misbehave = misbehave;
    options.memory = memory;
    options.cooked = cooked;
    emulator = std::make_unique<ControllerEmulator>(options);
    ports.writes = 0;
    EXPECT_TRUE(emulator->Start()) << emulator->Error();
    return *emulator;
  }
  void DeadPorts(std::initializer_list<int32_t> numbers) {
    for (int32_t number : numbers) machine.AddDeadPort(number);
  }
  // Has the emulator send a report, and gives its bytes.
  Bytes Sent(uint8_t status, uint32_t x, uint32_t y) {
    emulator->Report(status, x, y);
    return ControllerEmulator::EncodeReport(status, x, y);
  }
  // Waits until the reader has decoded the reports, and compares.
  void ExpectDecoded(const std::vector<Bytes>& reports) {
    const auto expected = EventsOf(reports, &program.settings);
    EXPECT_TRUE(WaitUntil([&] { return program.log.Total() >= expected.size(); }));
    EXPECT_EQ(program.log.Descriptions(), expected);
  }
  void TearDown() override { port.CloseSerialPort(1); }

  ScratchMachineDirectory machine;
  RecordingPorts ports;
  LinuxEventService events;
  LinuxThreadService threads;
  SystemClock clock;
  ProgramSide program;
  std::unique_ptr<ControllerEmulator> emulator;
  AnsweredClock pauses{emulator, ports.writes};
  bool cooked = false;
  sim::Misbehaviour misbehave;
  CTvSerialPort port{program.settings, program.decoder, {ports, events, threads, pauses}};
};

ControllerMemory MemoryWith(std::initializer_list<std::pair<uint8_t, uint16_t>> words,
                            bool seal = true) {
  ControllerMemory memory;
  for (auto [index, value] : words) memory.Set(index, value);
  if (seal) memory.Seal();
  return memory;
}

TEST_F(SerialLinkTest, DetectsTheControllerOnTheStoredPortAndReadsItsCalibration) {
  StartEmulator(MemoryWith({{0, 130}, {1, 1880}, {6, 1940}, {7, 120}}));
  program.store.Put("Serial Port", 5);
  int32_t found = 0;
  EXPECT_EQ(port.DetectController(found), lr::kOk);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(ports.trail, std::vector<std::string>{"open COM5:"});
  EXPECT_EQ(program.settings.leftBottomX, 130);
  EXPECT_EQ(program.settings.leftBottomY, 1880);
  EXPECT_EQ(program.settings.rightBottomX, 1955);
  EXPECT_EQ(program.settings.rightTopX, 1940);
  EXPECT_EQ(program.settings.rightTopY, 120);
  EXPECT_TRUE(program.windows.Messages().empty());
  const auto requests = emulator->Requests();
  ASSERT_EQ(requests.size(), 9u);
  EXPECT_EQ(requests[0].bytes, (Bytes{0x0A, 0x01, 0x41}));
  EXPECT_EQ(requests[8].bytes, (Bytes{0x0A, 0x02, 0x43, 7}));
  // Touches reach the decoder once detection is done.
  // A braced list is built left to right: the touch is sent before its lift.
  ExpectDecoded({Sent(0x81, 1000, 1000), Sent(0x80, 1000, 1000)});
}

TEST_F(SerialLinkTest, ALineThatStartsCookedCarriesEveryByteBothWays) {
  // Words and coordinates whose bytes a cooked terminal swallows (XON 0x11, XOFF 0x13, which
  // also stops the output) or translates (CR 0x0D).
  cooked = true;
  StartEmulator(MemoryWith({{0, 0x0111}, {1, 0x0713}, {2, 0x070D}, {3, 0x0713}}));
  program.store.Put("Serial Port", 5);
  int32_t found = 0;
  ASSERT_EQ(port.DetectController(found), lr::kOk);
  EXPECT_TRUE(program.windows.Messages().empty());
  EXPECT_EQ(program.settings.leftBottomX, 0x0111);
  EXPECT_EQ(program.settings.leftBottomY, 0x0713);
  EXPECT_EQ(program.settings.rightBottomX, 0x070D);
  EXPECT_EQ(program.settings.rightBottomY, 0x0713);
  EXPECT_EQ(port.CheckMemory(), lr::kOk);
  const std::vector<Bytes> reports = {ControllerEmulator::EncodeReport(0x81, 0x0093, 0x0391),
                                      ControllerEmulator::EncodeReport(0x81, 0x058D, 0x0511),
                                      ControllerEmulator::EncodeReport(0x80, 0x0613, 0x0613)};
  for (const Bytes& report : reports) emulator->Send(report);
  ExpectDecoded(reports);
}

TEST_F(SerialLinkTest, ScansFromComOneWhenTheStoredPortDoesNotAnswer) {
  StartEmulator();
  DeadPorts({1, 2, 3, 4});
  program.store.Put("Serial Port", 3);
  int32_t found = 0;
  EXPECT_EQ(port.DetectController(found), lr::kOk);
  EXPECT_EQ(found, 5);
  EXPECT_EQ(ports.trail, (std::vector<std::string>{"open COM3:", "open COM1:", "open COM2:",
                                                   "open COM3:", "open COM4:", "open COM5:"}));
}

TEST_F(SerialLinkTest, NoControllerAnywhere) {
  DeadPorts({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  program.store.Put("Serial Port", 5);
  int32_t found = 0;
  EXPECT_EQ(port.DetectController(found), lr::kNoController);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(ports.trail.size(), 11u);
  EXPECT_EQ(ports.trail.back(), "open COM10:");
}

TEST_F(SerialLinkTest, UnreadableCalibrationFallsBackWithAMessage) {
  struct Row {
    const char* legend;
    bool storedCorners;
    int32_t leftBottomX;
  };
  const Row rows[] = {
      {"the registry's corners", true, 300},
      {"the factory corners, stored", false, 126},
  };
  // Answers cut behind the header carry echo 0, which only word 0 may give.
  misbehave.truncateTo = 3;
  StartEmulator();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ProgramSide side;
    for (const CornerValue& corner : kCornerValues) {
      const std::string name(corner.name);
      row.storedCorners ? side.store.Put(name, 300) : side.store.Remove(name);
    }
    side.store.Put("Serial Port", 5);
    CTvSerialPort link(side.settings, side.decoder, {ports, events, threads, pauses});
    int32_t found = 0;
    EXPECT_EQ(link.DetectController(found), lr::kOk);
    EXPECT_EQ(side.settings.leftBottomX, row.leftBottomX);
    EXPECT_EQ(side.store.Values().at("Click Value Left Bottom X"), row.leftBottomX);
    ASSERT_EQ(side.windows.Messages().size(), 1u);
    EXPECT_EQ(side.windows.Messages()[0].text,
              "Failed loading calibration data. Loading default value!");
    EXPECT_EQ(side.windows.Messages()[0].caption, "Debugging...");
    link.CloseSerialPort(0);
  }
}

TEST_F(SerialLinkTest, WordWritesKeepTheChecksum) {
  struct Row {
    const char* legend;
    uint16_t oldValue, checksum, newValue, newChecksum;
  };
  const Row rows[] = {
      {"0x0100 to 0x0200", 0x0100, 0x1234, 0x0200, 0x1334},
      {"a checksum that wraps", 0x0010, 0x0005, 0x0000, 0xFFF5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ControllerEmulator& controller =
        StartEmulator(MemoryWith({{3, row.oldValue}, {63, row.checksum}}, false));
    ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
    port.StopThread();
    uint8_t echo = 0;
    EXPECT_EQ(port.WriteMemoryWord(3, row.newValue & 0xFF, row.newValue >> 8, echo), lr::kOk);
    EXPECT_EQ(echo, 3);
    EXPECT_EQ(controller.Memory().Get(3), row.newValue);
    EXPECT_EQ(controller.Memory().Get(63), row.newChecksum);
    port.CloseSerialPort(0);
  }
}

TEST_F(SerialLinkTest, MemoryCheck) {
  struct Row {
    const char* legend;
    ControllerMemory memory;
    bool corrupt;
    int32_t result;
  };
  ControllerMemory zeros;
  for (uint8_t i = 0; i < 64; ++i) zeros.Set(i, 0);
  ControllerMemory zerosWith55 = zeros, zerosWith56 = zeros;
  zerosWith55.Set(63, 0x55);
  zerosWith56.Set(63, 0x56);
  const Row rows[] = {
      {"all zero with 0x0055 passes", zerosWith55, false, lr::kOk},
      {"all zero with 0x0056 fails", zerosWith56, false, lr::kChecksumMismatch},
      {"factory memory passes", ControllerMemory(), false, lr::kOk},
      {"corrupted checksum fails", ControllerMemory(), true, lr::kChecksumMismatch},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    misbehave.badChecksum = row.corrupt;
    StartEmulator(row.memory);
    ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
    EXPECT_EQ(port.CheckMemory(), row.result);
    EXPECT_EQ(emulator->Requests().size(), 64u);
    port.CloseSerialPort(0);
  }
}

TEST_F(SerialLinkTest, FirmwareAndModelAnswersBehindStrayBytes) {
  misbehave.garbage = true;
  StartEmulator();
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  struct Row {
    const char* legend;
    std::function<int32_t()> request;
    uint8_t length, command;
    std::string text;
  };
  const Row rows[] = {
      {"firmware", [&] { return port.RequestFirmwareRelease(); }, 0x05, 0x44, "2.05"},
      {"model", [&] { return port.RequestModel(); }, 0x07, 0x46, "TV4001"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ASSERT_EQ(row.request(), lr::kOk);
    uint8_t answer[256] = {};
    uint32_t received = 0, offset = 0;
    EXPECT_EQ(port.ReadData(answer, 255, received), lr::kOk);
    ASSERT_EQ(CTvSerialPort::FindHeader(answer, received, 0x0A, row.length, row.command, offset),
              lr::kOk);
    EXPECT_GT(offset, 3u);
    EXPECT_EQ(std::string(answer + offset, answer + offset + row.text.size()), row.text);
    port.StartThread();
  }
}

TEST_F(SerialLinkTest, SplitAndTruncatedAnswers) {
  struct Row {
    const char* legend;
    uint32_t splitGapMs;
    std::optional<uint32_t> truncateTo;
    bool pauseCoversTheAnswer;
    uint8_t echo;
    uint16_t value;
  };
  const Row rows[] = {
      {"halves apart, within the pause after the write", 10, {}, true, 3, 1895},
      {"the second half comes long after the drain ended", 2000, {}, false, 0, 0},
      {"truncated behind the index", 0, 4, false, 3, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    misbehave.splitGapMs = row.splitGapMs, misbehave.truncateTo = row.truncateTo;
    StartEmulator();
    Clock& pause = row.pauseCoversTheAnswer ? static_cast<Clock&>(pauses) : clock;
    CTvSerialPort link(program.settings, program.decoder, {ports, events, threads, pause});
    ASSERT_EQ(link.OpenSerialPort("COM5:"), lr::kOk);
    link.StopThread();
    uint8_t low = 9, high = 9, echo = 9;
    EXPECT_EQ(link.ReadMemoryWord(3, low, high, echo), lr::kOk);
    EXPECT_EQ(echo, row.echo);
    EXPECT_EQ(high * 256 + low, row.value);
    link.CloseSerialPort(0);
  }
}

TEST_F(SerialLinkTest, SilentControllerPresenceCheck) {
  misbehave.silent = true;
  StartEmulator();
  pauses.real = true;
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.CheckController(), lr::kNoAnswer);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 6000ms);
}

TEST_F(SerialLinkTest, SilentControllerMemoryCheck) {
  misbehave.silent = true;
  StartEmulator();
  pauses.real = true;
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  EXPECT_EQ(port.CheckMemory(), lr::kMemoryReadFailed);
  EXPECT_EQ(emulator->Requests().size(), 1u);
}

TEST_F(SerialLinkTest, LongStreamAtTheLineRateLosesNothing) {
  misbehave.garbage = true;
  StartEmulator();
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  std::vector<Bytes> reports;
  for (uint32_t i = 0; i < 400; ++i)
    reports.push_back(Sent(i % 2 ? 0x80 : 0x81, 100 + 4 * i, 1900 - 4 * i));
  ASSERT_TRUE(emulator->WaitSent(20s));
  ExpectDecoded(reports);
}

TEST_F(SerialLinkTest, TouchesFlowAgainAfterACommand) {
  StartEmulator();
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  std::vector<Bytes> reports;
  for (uint32_t i = 0; i < 20; ++i) reports.push_back(Sent(0x81, 500 + i * 10, 500));
  ASSERT_TRUE(emulator->WaitSent(5s));
  ExpectDecoded(reports);
  EXPECT_EQ(port.CheckController(), lr::kOk);
  reports.push_back(Sent(0x80, 700, 500));
  ExpectDecoded(reports);
}

TEST_F(SerialLinkTest, HangUpsNeitherSpinNorHang) {
  struct Row {
    const char* legend;
    std::function<void(ControllerEmulator&, CTvSerialPort&)> act;
  };
  const Row rows[] = {
      {"while the reader waits", [](ControllerEmulator& e, CTvSerialPort&) { e.HangUp(); }},
      {"in the middle of a report",
       [](ControllerEmulator& e, CTvSerialPort&) {
         e.Send({0x81, 0x01});
         e.HangUp();
       }},
      {"while a command waits for its answer",
       [](ControllerEmulator&, CTvSerialPort& p) {
         EXPECT_EQ(p.CheckController(), lr::kNoAnswer);
         EXPECT_EQ(p.CheckMemory(), lr::kMemoryReadFailed);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    misbehave.hangUpAtRequest = 1;
    StartEmulator();
    pauses.real = true;
    ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
    const auto start = std::chrono::steady_clock::now();
    row.act(*emulator, port);
    EXPECT_TRUE(WaitUntil([&] { return emulator->HungUp(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    const double cpu = CpuSeconds();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(CpuSeconds() - cpu, 0.05);
    EXPECT_EQ(program.log.Total(), 0u);
    EXPECT_EQ(port.CloseSerialPort(0), lr::kOk);
  }
}

TEST_F(SerialLinkTest, PortsThatCannotBeOpened) {
  StartEmulator();
  DeadPorts({9});
  EXPECT_EQ(port.OpenSerialPort("COM9:"), lr::kOpenFailed);
  EXPECT_EQ(port.OpenSerialPort("COM-130:"), lr::kOpenFailed);
  // The port is taken: a second program cannot have it.
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  ProgramSide other;
  CTvSerialPort second(other.settings, other.decoder, {ports, events, threads, clock});
  EXPECT_EQ(second.OpenSerialPort("COM5:"), lr::kOpenFailed);
  EXPECT_TRUE(program.windows.Messages().empty());
  // Closed, it opens again.
  port.CloseSerialPort(0);
  EXPECT_EQ(second.OpenSerialPort("COM5:"), lr::kOk);
  second.CloseSerialPort(0);
}

}  // namespace
}  // namespace tavrel
