// CTvSerialPort over fake serial ports, fake events and a fake clock: the reader thread is real.
#include "link/serial_port.h"

#include <gtest/gtest.h>

#include "link/controller_wire.h"
#include "testing/fake_clock.h"
#include "testing/fake_controller.h"
#include "testing/fake_events.h"
#include "testing/fake_log_sink.h"
#include "testing/fake_serial.h"
#include "testing/fake_threads.h"
#include "testing/link_test_support.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;
namespace lr = link_result;

const Bytes kTouch = {0x81, 0x03, 0x10, 0x04, 0x20};
const Bytes kLift = {0x80, 0x03, 0x10, 0x04, 0x20};

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    controller.Attach(line);
    program.store.Put("Serial Port", 5);
  }
  // Feeds bytes to the reader as one read.
  void Receive(const Bytes& bytes) {
    ports.With(line, [&](FakeLine& l) { l.incoming.push_back(bytes); });
  }
  bool Drained() {
    bool empty = false;
    ports.With(line, [&](FakeLine& l) { empty = l.incoming.empty(); });
    return empty;
  }
  // A touch and its lift are both read off the line: the reader runs.
  void ExpectTouchesFlow() {
    Receive(kTouch);
    EXPECT_TRUE(WaitUntil([&] { return Drained(); })) << "touch";
    Receive(kLift);
    EXPECT_TRUE(WaitUntil([&] { return Drained(); })) << "lift";
  }

  FakeClock clock;
  FakeEventService events{clock};
  FakeSerialPorts ports{events};
  FakeThreadService threads;
  ProgramSide program;
  FakeController controller;
  sim::ControllerMemory& memory = controller.memory;
  FakeLine& line = ports.Add("COM5:");
  CTvSerialPort port{program.settings, program.decoder, {ports, events, threads, clock}};
};

TEST_F(SerialPortTest, OpenOnANameWithoutDeviceFailsQuietly) {
  EXPECT_EQ(port.OpenSerialPort("COM9:"), lr::kOpenFailed);
  EXPECT_EQ(port.PortName(), "COM9:");
  EXPECT_TRUE(program.windows.Messages().empty());
  EXPECT_EQ(threads.started, 0);
}

TEST_F(SerialPortTest, OpenShowsEachRefusedSettingAndStillStartsTheReader) {
  struct Row {
    const char* legend;
    bool FakeLine::*failure;
    const char* message;
  };
  const Row rows[] = {
      {"line settings unreadable", &FakeLine::failGet,
       "CTvSerialPort->GetDCB error getting DCB structure!"},
      {"line settings refused", &FakeLine::failSet,
       "CTvSerialPort->OpenSerialPort SetCommState error!"},
      {"time-outs refused", &FakeLine::failTimeouts,
       "CTvSerialPort->OpenSerialPort SetCommTimeouts error!"},
      {"purge refused", &FakeLine::failPurge, "CTvSerialPort->OpenSerialPort PurgeComm error!"},
      {"event mask refused", &FakeLine::failMask,
       "CTvSerialPort->OpenSerialPort error configuring event mask"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ProgramSide side;
    FakeLine& fresh = ports.Add("COM1:");
    fresh.*row.failure = true;
    CTvSerialPort other(side.settings, side.decoder, {ports, events, threads, clock});
    EXPECT_EQ(other.OpenSerialPort("COM1:"), lr::kOk);
    ASSERT_EQ(side.windows.Messages().size(), 1u);
    EXPECT_EQ(side.windows.Messages()[0].text, row.message);
    other.CloseSerialPort(0);
  }
}

TEST_F(SerialPortTest, OpenSetsNineSixHundredEightNOneAndReadsThatReturnAtOnce) {
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  ports.With(line, [](FakeLine& l) {
    EXPECT_EQ(l.lineSettings.length, 28u);
    EXPECT_EQ(l.lineSettings.baudRate, 9600u);
    EXPECT_EQ(l.lineSettings.byteSize, 8);
    EXPECT_EQ(l.lineSettings.parity, 0);
    EXPECT_EQ(l.lineSettings.stopBits, 0);
    EXPECT_EQ(l.timeouts.readInterval, 0xFFFFFFFFu);
    EXPECT_EQ(l.purges, 1u);
  });
}

TEST_F(SerialPortTest, AReaderThatCannotStartLeavesThePortOpen) {
  threads.fail = true;
  EXPECT_EQ(port.OpenSerialPort("COM5:"), lr::kNoReaderThread);
  EXPECT_TRUE(line.open);
  EXPECT_TRUE(program.windows.Messages().empty());
  EXPECT_EQ(port.CloseSerialPort(0), lr::kOk);
  EXPECT_FALSE(line.open);
}

TEST_F(SerialPortTest, CloseRenewsTheEventsUnlessFinal) {
  const int before = events.created;
  EXPECT_EQ(port.CloseSerialPort(0), lr::kOk);
  EXPECT_EQ(events.created, before + 2);
  EXPECT_TRUE(program.store.IsOpen());
  EXPECT_EQ(port.CloseSerialPort(1), lr::kOk);
  EXPECT_EQ(events.created, before + 2);
  EXPECT_FALSE(program.store.IsOpen());
  // Nothing is left to signal, and nothing breaks.
  EXPECT_EQ(port.StopThread(), lr::kOk);
  EXPECT_EQ(port.StartThread(), lr::kOk);
}

TEST_F(SerialPortTest, ReaderFramesReportsAcrossReads) {
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  const std::vector<Bytes> reads = {
      {0x81},
      {0x03, 0x10, 0x04, 0x20},  // split 1+4
      {0x80, 0x03},
      {0x10, 0x04, 0x20},                    // split 2+3
      {0x00, 0x7F, 0x81, 0x05, 0x06, 0x07},  // garbage, then 4+1
      {0x08},
      {0x80, 1, 2, 3, 4, 0x81, 5, 6, 7, 8},  // ten bytes, two reports
  };
  for (const Bytes& read : reads) Receive(read);
  const auto expected =
      EventsOf({kTouch, kLift, {0x81, 5, 6, 7, 8}, {0x80, 1, 2, 3, 4}, {0x81, 5, 6, 7, 8}});
  EXPECT_TRUE(WaitUntil([&] { return program.log.Total() >= expected.size(); }));
  EXPECT_EQ(program.log.Descriptions(), expected);
}

TEST_F(SerialPortTest, ParkingDropsTheReportInProgressAndReleaseResumes) {
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  Receive({0x81, 0x03});
  ASSERT_TRUE(WaitUntil([&] { return Drained(); }));
  port.StopThread();
  ASSERT_TRUE(port.ReaderParked());
  // The rest of the report arrives while the reader is parked, and stays in the line.
  Receive({0x10, 0x04, 0x20});
  EXPECT_FALSE(Drained());
  port.StartThread();
  Receive(kLift);
  EXPECT_TRUE(WaitUntil([&] { return program.log.Total() >= EventsOf({kLift}).size(); }));
  EXPECT_EQ(program.log.Descriptions(), EventsOf({kLift}));
}

// A release that comes while the reader wakes from the one before must not be lost, and a stop
// returns only once the reader has parked.
TEST_F(SerialPortTest, RapidParkAndReleaseNeverStrandsTheReader) {
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  for (int i = 0; i < 2000; ++i) {
    port.StopThread();
    port.StartThread();
  }
  port.StopThread();
  ASSERT_TRUE(port.ReaderParked());
  Receive(kTouch);
  EXPECT_FALSE(Drained()) << "a stopped reader read the line";
  port.StartThread();
  EXPECT_TRUE(WaitUntil([&] { return Drained(); }));
  EXPECT_EQ(program.log.Descriptions(), EventsOf({kTouch}));
}

TEST_F(SerialPortTest, CommandsParkTheReaderAndReleaseItAsAgreed) {
  struct Row {
    const char* legend;
    std::function<int32_t(CTvSerialPort&)> command;
    bool released;
  };
  const Row rows[] = {
      {"presence check releases on success", &CTvSerialPort::CheckController, true},
      {"model request leaves it parked for the caller", &CTvSerialPort::RequestModel, false},
      {"firmware request likewise", &CTvSerialPort::RequestFirmwareRelease, false},
      {"load defaults releases on success", &CTvSerialPort::LoadControllerDefaults, true},
      {"calibration read always releases", &CTvSerialPort::ReadCalibration, true},
  };
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    program.log.Clear();
    EXPECT_EQ(row.command(port), lr::kOk);
    if (!row.released) {
      EXPECT_TRUE(port.ReaderParked());
      Receive(kTouch);
      EXPECT_FALSE(Drained());
      port.StartThread();
    }
    ExpectTouchesFlow();
  }
}

TEST_F(SerialPortTest, CommandsFailWithTheirOwnCodeWhenARequestIsNotWrittenWhole) {
  struct Row {
    const char* legend;
    uint32_t writeLimit;
    std::function<int32_t(CTvSerialPort&)> command;
    int32_t code;
    bool leavesParked = false;
  };
  uint8_t low, high, echo;
  const Row rows[] = {
      {"presence", 2, &CTvSerialPort::CheckController, lr::kPresenceNotSent, true},
      {"firmware", 2, &CTvSerialPort::RequestFirmwareRelease, lr::kFirmwareNotSent, true},
      {"model", 2, &CTvSerialPort::RequestModel, lr::kModelNotSent, true},
      {"defaults", 1, &CTvSerialPort::LoadControllerDefaults, lr::kDefaultsNotSent, true},
      {"word read", 3, [&](CTvSerialPort& p) { return p.ReadMemoryWord(0, low, high, echo); },
       lr::kReadWordNotSent},
      {"word write: its reads fail first", 3,
       [&](CTvSerialPort& p) { return p.WriteMemoryWord(0, 1, 2, echo); }, lr::kWordReadFailed},
      {"word write: the write itself", 5,
       [&](CTvSerialPort& p) { return p.WriteMemoryWord(0, 1, 2, echo); }, lr::kWriteWordNotSent},
      {"calibration read", 3, &CTvSerialPort::ReadCalibration, lr::kCalibrationReadFailed},
      {"calibration write", 5, &CTvSerialPort::WriteCalibration, lr::kCalibrationWriteFailed},
      {"memory check", 3, &CTvSerialPort::CheckMemory, lr::kMemoryReadFailed},
  };
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  port.StopThread();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ports.With(line, [&](FakeLine& l) { l.writeLimit = row.writeLimit; });
    EXPECT_EQ(row.command(port), row.code);
    // Keep the reader parked for the next row, as the callers pair stops and starts.
    if (!row.leavesParked) port.StopThread();
  }
}

// The dialogs' commands: whatever the outcome, touches reach the decoder again afterwards.
TEST_F(SerialPortTest, DialogCommandsLeaveTheReaderRunningWhateverTheOutcome) {
  using Answers = std::vector<Bytes>;
  struct Row {
    const char* legend;
    std::function<int32_t(CTvSerialPort&, std::string&)> command;
    int32_t code;
    std::string text = "";
    std::optional<uint32_t> writeLimit = {};
    std::optional<Answers> answers = {};  // else the controller's own
  };
  const auto confirm = [](CTvSerialPort& p, std::string&) { return p.ConfirmController(); };
  const auto firmware = [](CTvSerialPort& p, std::string& t) { return p.ReadFirmwareRelease(t); };
  const auto model = [](CTvSerialPort& p, std::string& t) { return p.ReadModel(t); };
  const auto restore = [](CTvSerialPort& p, std::string&) { return p.RestoreControllerDefaults(); };
  const Row rows[] = {
      {"presence", confirm, lr::kOk},
      {"presence: no answer", confirm, lr::kNoAnswer, "", {}, Answers{}},
      {"presence: not sent", confirm, lr::kPresenceNotSent, "", 2},
      {"model", model, lr::kOk, "TV4001"},
      {"firmware, cut short", firmware, lr::kOk, "2.", {}, Answers{{0x0A, 5, 0x44, '2', '.'}}},
      {"firmware: its characters only",
       firmware,
       lr::kOk,
       "2.05",
       {},
       Answers{{0x0A, 5, 0x44, '2', '.', '0', '5', 'x'}}},
      {"firmware: no answer", firmware, lr::kReadFailed, "", {}, Answers{}},
      {"firmware: no header", firmware, lr::kHeaderNotFound, "", {}, Answers{{0x0A, 5, 0x46, '2'}}},
      {"firmware: not sent", firmware, lr::kFirmwareNotSent, "", 2},
      {"defaults", restore, lr::kOk},
      {"defaults: not sent", restore, lr::kDefaultsNotSent, "", 1},
  };
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ports.With(line, [&](FakeLine& l) {
      l.writeLimit = row.writeLimit;
      controller.Attach(l);
      if (row.answers) l.answer = [&](const Bytes&) { return *row.answers; };
    });
    std::string text;
    EXPECT_EQ(row.command(port, text), row.code);
    EXPECT_EQ(text, row.text);
    ExpectTouchesFlow();
  }
}

// Whatever tone length is stored (here the longest a hand-edited value gives), the touch tone
// never holds up a command's stop or a close; once released, touches sound again.
TEST_F(SerialPortTest, ATouchToneNeverHoldsUpAStopOrAClose) {
  struct Row {
    const char* legend;
    std::function<void(CTvSerialPort&)> act;
    bool staysOpen = false;
  };
  const Row rows[] = {
      {"a command parks the reader",
       [](CTvSerialPort& p) { EXPECT_EQ(p.CheckController(), lr::kOk); }, true},
      {"close", [](CTvSerialPort& p) { p.CloseSerialPort(0); }},
      {"final close", [](CTvSerialPort& p) { p.CloseSerialPort(1); }},
  };
  program.settings.SetBuzzerDuration(-1);
  program.tone.takesTime = true;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
    const uint32_t started = program.tone.started, cut = program.tone.cutShort;
    Receive(kLift), Receive(kTouch);
    ASSERT_TRUE(WaitUntil([&] { return program.tone.started > started; }));
    const auto start = std::chrono::steady_clock::now();
    row.act(port);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(program.tone.cutShort, cut + 1);
    if (row.staysOpen) {
      // Released: the next touch sounds in full.
      program.settings.SetBuzzerDuration(1);
      Receive(kLift), Receive(kTouch);
      EXPECT_TRUE(WaitUntil([&] { return program.tone.started > started + 1; }));
      EXPECT_EQ(program.tone.cutShort, cut + 1);
      program.settings.SetBuzzerDuration(-1);
      port.CloseSerialPort(0);
    }
  }
}

// A pointer that holds the reader inside an injection until freed: the reader cannot park.
class HeldPointer : public PointerService {
 public:
  uint32_t SendInput(const MouseInput&) override {
    std::unique_lock lock(mutex_);
    ++inside_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !held_; });
    --inside_;
    return 1;
  }
  void Hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
  }
  void Free() {
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
  }
  bool WaitInside() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [this] { return inside_ > 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  int inside_ = 0;
};

// A reader that cannot park in time must not read the line alongside a command: the command
// sends nothing and fails with its own code, and the reader runs on once it is free.
TEST_F(SerialPortTest, CommandsFailWithTheirOwnCodeWhenTheReaderCannotPark) {
  struct Row {
    const char* legend;
    std::function<int32_t(CTvSerialPort&)> command;
    int32_t code;
  };
  const Row rows[] = {
      {"presence", &CTvSerialPort::CheckController, lr::kPresenceNotSent},
      {"firmware", &CTvSerialPort::RequestFirmwareRelease, lr::kFirmwareNotSent},
      {"model", &CTvSerialPort::RequestModel, lr::kModelNotSent},
      {"defaults", &CTvSerialPort::LoadControllerDefaults, lr::kDefaultsNotSent},
      {"memory check", &CTvSerialPort::CheckMemory, lr::kMemoryReadFailed},
      {"calibration read", &CTvSerialPort::ReadCalibration, lr::kCalibrationReadFailed},
      {"calibration write", &CTvSerialPort::WriteCalibration, lr::kCalibrationWriteFailed},
  };
  HeldPointer pointer;
  ReportDecoder decoder(program.settings, pointer, program.tone);
  CTvSerialPort held(program.settings, decoder, {ports, events, threads, clock});
  ASSERT_EQ(held.OpenSerialPort("COM5:"), lr::kOk);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    pointer.Hold();
    Receive(kTouch);
    ASSERT_TRUE(pointer.WaitInside());
    EXPECT_EQ(row.command(held), row.code);
    ports.With(line, [](FakeLine& l) { EXPECT_TRUE(l.written.empty()); });
    pointer.Free();
    Receive(kLift);
    EXPECT_TRUE(WaitUntil([&] { return Drained(); }));
  }
  held.CloseSerialPort(0);
}

TEST_F(SerialPortTest, WriteDataFailsOnARefusedPurgeOrAFailedWrite) {
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  const uint8_t request[] = {0x0A, 0x01, 0x41};
  uint32_t written = 7;
  ports.With(line, [](FakeLine& l) { l.failPurge = true; });
  EXPECT_EQ(port.WriteData(request, 3, written), lr::kWriteFailed);
  EXPECT_EQ(port.CheckController(), lr::kPresenceNotSent);
  ports.With(line, [](FakeLine& l) { l.failPurge = false, l.failWrite = true; });
  EXPECT_EQ(port.WriteData(request, 3, written), lr::kWriteFailed);
  EXPECT_EQ(written, 0u);
  // Nothing was slept after a failed write.
  EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(SerialPortTest, PausesAfterEachWriteAndBeforeThePresenceAnswer) {
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  uint8_t low, high, echo;
  EXPECT_EQ(port.CheckController(), lr::kOk);
  port.StopThread();
  EXPECT_EQ(port.ReadMemoryWord(3, low, high, echo), lr::kOk);
  EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{50, 1000, 50}));
  EXPECT_EQ(high * 256 + low, 1895);
}

TEST(FindHeaderTest, FindsTheFirstWholeHeader) {
  struct Row {
    const char* legend;
    Bytes received;
    int32_t result;
    uint32_t offset;
  };
  const Row rows[] = {
      {"at the start", {0x0A, 0x01, 0x41}, lr::kOk, 3},
      {"behind a false start", {0x0A, 0x01, 0x0A, 0x01, 0x41}, lr::kOk, 5},
      {"behind a report's tail", {0x20, 0x04, 0x0A, 0x01, 0x41, 0x0A, 0x01, 0x41}, lr::kOk, 5},
      {"cut off at the end", {0x00, 0x0A, 0x01}, lr::kHeaderNotFound, 99},
      {"nothing received", {}, lr::kHeaderNotFound, 99},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    uint32_t offset = 99;
    EXPECT_EQ(
        CTvSerialPort::FindHeader(row.received.data(), static_cast<uint32_t>(row.received.size()),
                                  0x0A, 0x01, 0x41, offset),
        row.result);
    EXPECT_EQ(offset, row.offset);
  }
}

TEST_F(SerialPortTest, AnswersAreReadUntilALineGoesQuiet) {
  struct Row {
    const char* legend;
    std::vector<Bytes> answer;
    int32_t result;
    uint8_t echo, low, high;
  };
  Bytes noise(255, 0x55);
  noise[252] = 0x0A, noise[253] = 0x04, noise[254] = 0x43;
  const Row rows[] = {
      {"whole", {{0x0A, 0x04, 0x43, 2, 0x34, 0x12}}, lr::kOk, 2, 0x34, 0x12},
      {"stray bytes first",
       {{0x81, 0x20, 0x0A, 0x04, 0x43, 2, 0x34, 0x12}},
       lr::kOk,
       2,
       0x34,
       0x12},
      {"split over two reads", {{0x0A, 0x04}, {0x43, 2, 0x34, 0x12}}, lr::kOk, 2, 0x34, 0x12},
      {"the rest after a read found nothing",
       {{0x0A, 0x04, 0x43, 2}, {}, {0x34, 0x12}},
       lr::kOk,
       2,
       0,
       0},
      {"truncated after the header", {{0x0A, 0x04, 0x43}}, lr::kOk, 0, 0, 0},
      {"header at the end of 255 bytes", {noise}, lr::kOk, 0, 0, 0},
      {"no header", {{0x0A, 0x04, 0x44, 2, 0x34, 0x12}}, lr::kNoAnswer, 9, 9, 9},
      {"no answer", {}, lr::kNoAnswer, 9, 9, 9},
  };
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  port.StopThread();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ports.With(line, [&](FakeLine& l) { l.answer = [&](const Bytes&) { return row.answer; }; });
    uint8_t echo = 9, low = 9, high = 9;
    EXPECT_EQ(port.ReadMemoryWord(2, low, high, echo), row.result);
    EXPECT_EQ(echo, row.echo);
    EXPECT_EQ(low, row.low);
    EXPECT_EQ(high, row.high);
  }
  // A silent controller costs the full answer time-out.
  const uint64_t start = clock.NowMs();
  uint8_t echo, low, high;
  EXPECT_EQ(port.ReadMemoryWord(2, low, high, echo), lr::kNoAnswer);
  EXPECT_EQ(clock.NowMs() - start, 5050u);
}

TEST_F(SerialPortTest, WordWriteChecksTheEchoOfEachWrite) {
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  ports.With(line, [&](FakeLine& l) {
    l.answer = [&](const Bytes& request) {
      auto answer = controller.Answer(line, request);
      if (request[2] == wire::kWriteWord && request[3] == wire::kChecksumWord) answer[0][3] = 0;
      return answer;
    };
  });
  uint8_t echo = 0;
  port.StopThread();
  EXPECT_EQ(port.WriteMemoryWord(4, 0x10, 0x00, echo), lr::kNoAnswer);
  EXPECT_EQ(echo, 4);
  EXPECT_EQ(memory.Get(4), 0x10);
}

TEST_F(SerialPortTest, DetectionKeepsAStoredPortThatAnswers) {
  int32_t found = 0;
  memory.Set(0, 200);
  EXPECT_EQ(port.DetectController(found), lr::kOk);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(ports.Opened(), std::vector<std::string>{"COM5:"});
  EXPECT_EQ(program.settings.leftBottomX, 200);
  EXPECT_TRUE(program.windows.Messages().empty());
}

TEST_F(SerialPortTest, DetectionWithAnUnreadableStoredPortScansEveryPort) {
  program.store.Remove("Serial Port");
  int32_t found = 0;
  EXPECT_EQ(port.DetectController(found), lr::kOk);
  EXPECT_EQ(found, 5);
  // No port name is made from the error code.
  EXPECT_EQ(ports.Opened(),
            (std::vector<std::string>{"COM1:", "COM2:", "COM3:", "COM4:", "COM5:"}));
}

TEST_F(SerialPortTest, ALostLineIsTriedAgainUntilTheControllerAnswers) {
  struct Row {
    const char* legend;
    std::function<void(FakeLine&)> whileGone;  // how the port looks during the first retries
    bool calibrated = false;                   // a calibration loads while the line is gone
  };
  const Row rows[] = {
      {"the port is missing", [](FakeLine& l) { l.missing = true; }},
      {"the port opens but stays hung up", [](FakeLine&) {}},
      {"the port refuses its line settings", [](FakeLine& l) { l.failSet = true; }},
      {"the controller does not answer", [](FakeLine& l) { l.answer = nullptr; }},
      {"a newer calibration is not undone", [](FakeLine&) {}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeLogSink sink(LogLevel::kDebug);
    program.settings.leftBottomX = 100;
    ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
    // Lost mid-touch: the button does not stay held while the controller is gone.
    program.log.Clear();
    Receive(kTouch);
    ASSERT_TRUE(WaitUntil([&] { return !program.log.Descriptions().empty(); }));
    ports.With(line, [&](FakeLine& l) {
      l.hungUp = true;
      row.whileGone(l);
    });
    ASSERT_TRUE(WaitUntil([&] { return sink.Count("COM5: hung up") == 1; }));
    EXPECT_EQ(program.log.Descriptions().back(), "left up");
    // The state of the row alone keeps the port from answering now.
    ports.With(line, [&](FakeLine& l) { l.hungUp = l.answer && !l.missing && !l.failSet; });
    ASSERT_TRUE(WaitUntil([&] { return sink.Count("not back yet (attempt 3)") == 1; }));
    // Never more often than the interval: each attempt waited its two seconds first.
    EXPECT_GE(clock.NowMs(), 3u * 2000);
    EXPECT_EQ(program.settings.leftBottomX, 100);
    if (row.calibrated) program.settings.leftBottomX = 150;
    memory.Set(0, 321);
    ports.With(line, [&](FakeLine& l) {
      l = FakeLine{};
      controller.Attach(l);
    });
    ASSERT_TRUE(WaitUntil([&] { return sink.Count("COM5: answers again") == 1; }));
    EXPECT_EQ(program.settings.leftBottomX, row.calibrated ? 150 : 321) << "the newer one wins";
    program.log.Clear();
    Receive(kTouch);
    ASSERT_TRUE(WaitUntil([&] { return !program.log.Descriptions().empty(); }))
        << "touches flow again";
    EXPECT_TRUE(program.windows.Messages().empty()) << "no message box for any attempt";
    EXPECT_EQ(sink.Count("hung up"), 1u);
    EXPECT_EQ(port.CloseSerialPort(0), lr::kOk);
  }
}

TEST_F(SerialPortTest, CloseEndsTheRetriesAtOnce) {
  FakeLogSink sink(LogLevel::kDebug);
  ASSERT_EQ(port.OpenSerialPort("COM5:"), lr::kOk);
  ports.With(line, [](FakeLine& l) { l.hungUp = true; });
  ASSERT_TRUE(WaitUntil([&] { return sink.Count("(attempt 2)") == 1; }));
  EXPECT_EQ(port.CloseSerialPort(1), lr::kOk);
  EXPECT_EQ(sink.Count("answers again"), 0u);
}

}  // namespace
}  // namespace tavrel
