// The controller emulator: its touch commands, its memory file and its command line, seen from
// the far end of its pseudo-terminal.
#include "tools/sim/controller_emulator.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "tools/sim/touch_script.h"

namespace tavrel::sim {
namespace {

using namespace std::chrono_literals;

class EmulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/tavrel-sim-XXXXXX";
    dir = mkdtemp(name);
  }
  void TearDown() override {
    if (line >= 0) close(line);
    std::filesystem::remove_all(dir);
  }
  // Starts an emulator in the test's directory, with the far end of its line open.
  std::unique_ptr<ControllerEmulator> Start(bool pace = true) {
    EmulatorOptions options;
    options.machineDir = dir;
    options.pace = pace;
    auto emulator = std::make_unique<ControllerEmulator>(options);
    EXPECT_TRUE(emulator->Start()) << emulator->Error();
    OpenLine(emulator->LinkPath());
    return emulator;
  }
  // Opens the emulator's line as the program would, in raw mode already.
  void OpenLine(const std::string& path) {
    line = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(line, 0) << path;
  }
  void CloseLine() {
    close(line);
    line = -1;
  }
  // What arrives on the line until it stays quiet for the given time.
  Bytes Receive(std::chrono::milliseconds quiet = 100ms) {
    Bytes got;
    pollfd fd{line, POLLIN, 0};
    while (poll(&fd, 1, static_cast<int>(quiet.count())) > 0 && (fd.revents & POLLIN)) {
      uint8_t buffer[256];
      const ssize_t n = read(line, buffer, sizeof buffer);
      if (n <= 0) break;
      got.insert(got.end(), buffer, buffer + n);
    }
    return got;
  }

  std::string dir;
  int line = -1;
};

Bytes Reports(std::initializer_list<std::tuple<uint8_t, uint32_t, uint32_t>> reports) {
  Bytes bytes;
  for (auto [status, x, y] : reports) {
    const Bytes one = ControllerEmulator::EncodeReport(status, x, y);
    bytes.insert(bytes.end(), one.begin(), one.end());
  }
  return bytes;
}

TEST_F(EmulatorTest, TouchCommandsBecomeReports) {
  struct Row {
    const char* legend;
    std::vector<std::string> lines;
    Bytes sent;
    std::string error;
  };
  const Row rows[] = {
      {"tap", {"tap 1000 1000"}, Reports({{0x81, 1000, 1000}, {0x80, 1000, 1000}}), ""},
      {"down, move, up where it was",
       {"down 1 2", "move 2047 0", "up"},
       Reports({{0x81, 1, 2}, {0x81, 2047, 0}, {0x80, 2047, 0}}),
       ""},
      {"drag in two steps",
       {"drag 0 0 100 200 2"},
       Reports({{0x81, 0, 0}, {0x81, 50, 100}, {0x81, 100, 200}, {0x80, 100, 200}}),
       ""},
      {"raw bytes and a comment", {"raw 81 0a FF # three bytes", "wait 1"}, {0x81, 0x0A, 0xFF}, ""},
      {"empty and comment lines", {"", "   # nothing"}, {}, ""},
      {"out of range", {"tap 2048 0"}, {}, "not a command: tap 2048 0"},
      {"not a byte", {"raw 100"}, {}, "not a byte in: raw 100"},
      {"malformed", {"move 1x 2"}, {}, "malformed number in: move 1x 2"},
      {"unknown", {"press 1 2"}, {}, "not a command: press 1 2"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    const auto emulator = Start(false);
    TouchScript script(*emulator);
    std::string error;
    for (const std::string& text : row.lines) error += script.Run(text);
    EXPECT_EQ(error, row.error);
    EXPECT_TRUE(emulator->WaitSent(2s));
    EXPECT_EQ(Receive(), row.sent);
    CloseLine();
  }
}

TEST_F(EmulatorTest, ReconnectBringsAFreshLineAtTheSameLinkAfterAHangUp) {
  const auto emulator = Start(false);
  TouchScript script(*emulator);
  for (const char* command : {"reconnect", "tap 1 2"}) EXPECT_EQ(script.Run(command), "");
  ASSERT_TRUE(emulator->WaitSent(2s));
  EXPECT_EQ(Receive(), Reports({{0x81, 1, 2}, {0x80, 1, 2}})) << "no effect on a live line";
  EXPECT_EQ(script.Run("hangup"), "");
  ASSERT_TRUE(emulator->WaitSent(2s));
  EXPECT_TRUE(emulator->HungUp());
  EXPECT_FALSE(std::filesystem::exists(emulator->LinkPath()));
  CloseLine();

  for (const char* command : {"reconnect", "tap 3 4"}) EXPECT_EQ(script.Run(command), "");
  ASSERT_TRUE(emulator->WaitSent(2s));
  EXPECT_FALSE(emulator->HungUp());
  OpenLine(emulator->LinkPath());
  EXPECT_EQ(Receive(), Reports({{0x81, 3, 4}, {0x80, 3, 4}}));
}

TEST_F(EmulatorTest, PacesBytesAtTheLineRate) {
  const auto emulator = Start();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) emulator->Report(0x81, 10, 10);
  ASSERT_TRUE(emulator->WaitSent(5s));
  // 100 bytes at 960 a second take 104 ms; unpaced they would take next to nothing.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
  EXPECT_EQ(Receive().size(), 100u);
}

TEST_F(EmulatorTest, AnswersDoNotWaitForAPauseOfTheTouches) {
  const auto emulator = Start();
  emulator->Pause(3000);
  emulator->Report(0x81, 10, 10);
  const uint8_t presence[] = {0x0A, 0x01, 0x41};
  ASSERT_EQ(write(line, presence, sizeof presence), 3);
  EXPECT_EQ(Receive(), (Bytes{0x0A, 0x01, 0x41}));
  EXPECT_EQ(emulator->Requests().size(), 1u);
}

// Frames the controller cannot take get no answer and leave its memory alone; the defaults
// command restores the factory words without answering.
TEST(ControllerAnswersTest, OddFramesAndTheDefaultsCommand) {
  struct Row {
    const char* legend;
    Bytes request;
    std::optional<Bytes> answer;
    uint16_t word0;
  };
  const uint16_t factory = ControllerMemory().Get(0);
  const std::vector<Row> rows = {
      {"empty frame", {0x0A, 0x00}, std::nullopt, 7},
      {"one byte", {0x0A}, std::nullopt, 7},
      {"unknown command", {0x0A, 0x01, 0x50}, std::nullopt, 7},
      {"word write without its value", {0x0A, 0x02, 0x42, 0x00}, std::nullopt, 7},
      {"word read", {0x0A, 0x02, 0x43, 0x00}, Bytes{0x0A, 0x04, 0x43, 0x00, 7, 0}, 7},
      {"defaults", {0x1D, 0x40}, Bytes{}, factory},
      {"defaults cut short", {0x1D, 0x41}, Bytes{}, 7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ControllerMemory memory;
    memory.Set(0, 7);
    EXPECT_EQ(AnswerRequest(row.request, memory, "2.05", "TV4001"), row.answer);
    EXPECT_EQ(memory.Get(0), row.word0);
  }
}

TEST_F(EmulatorTest, MemorySurvivesAFileRoundTrip) {
  ControllerMemory memory;
  EXPECT_EQ(memory.Get(63), memory.Checksum());
  memory.Set(5, 0xBEEF);
  ASSERT_TRUE(memory.Save(dir + "/memory"));
  ControllerMemory loaded;
  ASSERT_TRUE(loaded.Load(dir + "/memory"));
  EXPECT_EQ(loaded.Get(5), 0xBEEF);
  std::ofstream(dir + "/short") << "1 2 3";
  EXPECT_FALSE(loaded.Load(dir + "/short"));
  EXPECT_EQ(loaded.Get(5), 0xBEEF);
}

TEST_F(EmulatorTest, ProgramAnnouncesItsLineAndSavesItsMemory) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const std::string memoryFile = dir + "/memory";
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], 1);
    execl(TAVREL_SIM_PROGRAM, "tavrel-sim", "--port", "7", "--machine-dir", dir.c_str(), "--memory",
          memoryFile.c_str(), "--no-pace", "--quiet", "--script", "/dev/null", nullptr);
    _exit(127);
  }
  close(out[1]);
  FILE* announced = fdopen(out[0], "r");
  char text[64] = {};
  ASSERT_NE(fgets(text, sizeof text, announced), nullptr);
  EXPECT_STREQ(text, "ready COM7\n");
  OpenLine(dir + "/ports/COM7");
  const uint8_t write[] = {0x0A, 0x04, 0x42, 0x02, 0x34, 0x12};
  ASSERT_EQ(::write(line, write, sizeof write), 6);
  EXPECT_EQ(Receive(), (Bytes{0x0A, 0x02, 0x42, 0x02}));
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  fclose(announced);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(std::filesystem::exists(dir + "/ports/COM7"));
  ControllerMemory saved;
  ASSERT_TRUE(saved.Load(memoryFile));
  EXPECT_EQ(saved.Get(2), 0x1234);
}

}  // namespace
}  // namespace tavrel::sim
