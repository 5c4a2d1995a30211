// The Linux serial back end on a pseudo-terminal that the test holds the other end of.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/linux/linux_events.h"
#include "platform/linux/serial_ports.h"
#include "testing/fake_log_sink.h"
#include "testing/link_test_support.h"
#include "testing/scratch_machine_directory.h"

namespace tavrel {
namespace {

class TerminalDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    slavePath = ptsname(master);
    std::filesystem::create_symlink(slavePath, machine.Path() + "/ports/COM2");
    // As a fresh terminal comes: line editing, echo, translations; plus flow control.
    termios tio{};
    tcgetattr(master, &tio);
    tio.c_iflag |= IXON | ICRNL;
    tio.c_lflag |= ICANON | ECHO;
    tio.c_oflag |= OPOST | ONLCR;
    tio.c_cc[VSTART] = 0x11;
    tcsetattr(master, TCSANOW, &tio);
    device = ports.Open("COM2:");
    ASSERT_NE(device, nullptr);
  }
  void TearDown() override {
    device.reset();
    if (master >= 0) close(master);
  }
  termios Current() {
    termios tio{};
    tcgetattr(master, &tio);
    return tio;
  }

  ScratchMachineDirectory machine;
  LinuxSerialPorts ports;
  LinuxEventService events;
  int master = -1;
  std::string slavePath;
  std::unique_ptr<SerialDevice> device;
};

TEST_F(TerminalDeviceTest, PortNamesMapToTheMachineDirectoryOrTheSerialDevices) {
  struct Row {
    const char* name;
    std::optional<std::string> path;
  };
  const Row rows[] = {
      {"COM2:", machine.Path() + "/ports/COM2"},
      {"COM1:", "/dev/ttyS0"},
      {"COM10:", "/dev/ttyS9"},
      {"COM-130:", "/dev/ttyS-131"},
      {"COM2", std::nullopt},
      {"COMX:", std::nullopt},
      {"LPT1:", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(SerialPortPath(row.name), row.path);
  }
}

TEST_F(TerminalDeviceTest, LineSettingsMakeABinaryLineWithoutSoftwareFlowControl) {
  LineSettings settings;
  ASSERT_TRUE(device->GetLineSettings(settings));
  settings.baudRate = 9600, settings.byteSize = 8, settings.parity = 0, settings.stopBits = 0;
  ASSERT_TRUE(device->SetLineSettings(settings));
  ASSERT_TRUE(device->SetTimeouts({0xFFFFFFFF, 0, 0, 0, 0}));
  const termios tio = Current();
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY), 0u);
  EXPECT_EQ(tio.c_cc[VSTART], 0x11);
  EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
  LineSettings read;
  ASSERT_TRUE(device->GetLineSettings(read));
  EXPECT_EQ(read.baudRate, 9600u);
  EXPECT_EQ(read.byteSize, 8);
  // Bytes the line editing or XON/XOFF would have swallowed or changed pass as they are, and a
  // received XOFF (0x13) does not stop the output.
  const uint8_t answer[] = {0x0A, 0x0D, 0x03, 0x7F, 0x13, 0x11, 0x13};
  ASSERT_EQ(write(master, answer, sizeof answer), 7);
  EXPECT_EQ(device->WaitReceived({}, 1000, 1), kWaitReceived);
  uint8_t got[8] = {};
  EXPECT_EQ(device->Read(got, sizeof got), 7u);
  EXPECT_EQ(Bytes(got, got + 7), Bytes(answer, answer + 7));
  EXPECT_EQ(device->Read(got, sizeof got), 0u);
  const uint8_t request[] = {0x0A, 0x01, 0x41};
  EXPECT_EQ(device->Write(request, sizeof request, 1000), 3u);
  pollfd sent{master, POLLIN, 0};
  ASSERT_EQ(poll(&sent, 1, 5000), 1);
  EXPECT_EQ(::read(master, got, sizeof got), 3);
  EXPECT_EQ(Bytes(got, got + 3), Bytes(request, request + 3));
  // Only the time-outs and the event the program uses are offered.
  EXPECT_FALSE(device->SetTimeouts({0, 0, 100, 0, 0}));
  EXPECT_FALSE(device->SetEventMask(0x0004));
  settings.baudRate = 9601;
  EXPECT_FALSE(device->SetLineSettings(settings));
}

TEST_F(TerminalDeviceTest, WaitsEndOnEventsFirstThenDataThenTime) {
  ASSERT_TRUE(device->SetLineSettings({28, 9600, 8, 0, 0}));
  auto stop = events.Create("StopThreadEvent");
  Event* const waitOn[] = {stop.get()};
  EXPECT_EQ(device->WaitReceived(waitOn, 10, 1), kWaitTimedOut);
  const uint8_t byte = 0x81;
  ASSERT_EQ(write(master, &byte, 1), 1);
  EXPECT_EQ(device->WaitReceived(waitOn, 1000, 1), kWaitReceived);
  stop->Set();
  EXPECT_EQ(device->WaitReceived(waitOn, 1000, 1), 0);
  EXPECT_EQ(events.WaitAny(waitOn, 0), 0);
  stop->Reset();
  EXPECT_EQ(events.WaitAny(waitOn, 0), kWaitTimedOut);
  EXPECT_TRUE(device->Purge(kPurgeRxClear));
  EXPECT_EQ(device->WaitReceived(waitOn, 10, 1), kWaitTimedOut);
}

TEST_F(TerminalDeviceTest, AHungUpLineFailsOnceAndThenOnlyWaits) {
  auto stop = events.Create("");
  Event* const waitOn[] = {stop.get()};
  close(master);
  master = -1;
  EXPECT_EQ(device->WaitReceived(waitOn, 1000, 1), kWaitFailed);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(device->WaitReceived(waitOn, 100, 1), kWaitTimedOut);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
  stop->Set();
  EXPECT_EQ(device->WaitReceived(waitOn, kWaitForever, 1), 0);
  const uint8_t request[] = {0x0A, 0x01, 0x41};
  EXPECT_EQ(device->Write(request, 3, 5000), 0u);
}

TEST_F(TerminalDeviceTest, OnlyOneOpenAtATime) {
  EXPECT_EQ(ports.Open("COM2:"), nullptr);
  device.reset();
  EXPECT_NE(ports.Open("COM2:"), nullptr);
}

// Whatever is planted under a port's name opens at once and, unless it is a terminal, not at all.
TEST_F(TerminalDeviceTest, OnlyTerminalsOpenAsPorts) {
  struct Row {
    const char* legend;
    std::function<void(const std::string& path)> plant;
  };
  const Row rows[] = {
      {"a FIFO", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0664), 0); }},
      {"a regular file", [](const std::string& path) { std::ofstream(path) << "x"; }},
      {"a link to a directory",
       [](const std::string& path) { std::filesystem::create_symlink("/tmp", path); }},
      {"a link to a character device that is no terminal",
       [](const std::string& path) { std::filesystem::create_symlink("/dev/null", path); }},
  };
  int32_t number = 3;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    const std::string name = "COM" + std::to_string(number++);
    row.plant(machine.Path() + "/ports/" + name);
    EXPECT_EQ(ports.Open(name + ":"), nullptr);
  }
}

// Others' links and the own terminal are never a port; a closed line is left as it was found.
TEST_F(TerminalDeviceTest, OthersLinksAndTheOwnTerminalAreRefusedAndLinesRestored) {
  device->SetLineSettings({0, 9600, 8, 0, 0});
  device.reset();
  EXPECT_EQ(Current().c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
  const int savedStderr = dup(STDERR_FILENO);
  const std::pair<const char*, std::function<void(const char*)>> rows[] = {
      {"is this program's own terminal",
       [&](const char*) { dup2(open(slavePath.c_str(), O_RDWR | O_NOCTTY), STDERR_FILENO); }},
      {"is a link owned by nobody",
       [](const char* link) {
         if (geteuid() != 0) GTEST_SKIP() << "another user's link needs root";
         ASSERT_EQ(lchown(link, 65534, 65534), 0);
       }},
  };
  for (const auto& [logged, plant] : rows) {
    FakeLogSink log;
    plant((machine.Path() + "/ports/COM2").c_str());
    if (IsSkipped()) return;
    EXPECT_EQ(ports.Open("COM2:"), nullptr) << logged;
    dup2(savedStderr, STDERR_FILENO);
    ASSERT_EQ(log.Lines().size(), 1u) << logged;
    EXPECT_NE(log.Lines()[0].find(logged), std::string::npos) << log.Lines()[0];
  }
  close(savedStderr);
}

}  // namespace
}  // namespace tavrel
