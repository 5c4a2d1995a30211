#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "platform/win32/win32_events.h"
#include "platform/win32/win32_log_sink.h"
#include "platform/win32/win32_serial_ports.h"
#include "platform/win32/win32_system_parameters.h"

namespace tavrel {
namespace {

TEST(Win32EventsTest, WaitsGiveTheLowestSetEventOrTheTimeOut) {
  Win32EventService service;
  auto first = service.Create("");
  auto second = service.Create("");
  ASSERT_TRUE(first && second);
  Event* const both[] = {first.get(), second.get()};
  // Rows: first set, second set, expected result, legend.
  const struct {
    bool first, second;
    int32_t expected;
    const char* legend;
  } rows[] = {
      {false, false, kWaitTimedOut, "nothing set"},
      {false, true, 1, "the second alone"},
      {true, true, 0, "both: the lower index wins"},
      {true, false, 0, "the first alone"},
  };
  for (const auto& row : rows) {
    first->Reset(), second->Reset();
    if (row.first) first->Set();
    if (row.second) second->Set();
    EXPECT_EQ(service.WaitAny(both, 0), row.expected) << row.legend;
    // Manual reset: a wait leaves the event set.
    EXPECT_EQ(service.WaitAny(both, 0), row.expected) << row.legend << ", again";
  }
  EXPECT_EQ(service.WaitAny({}, 0), kWaitTimedOut) << "an empty wait only waits out its time";
}

TEST(Win32SerialPortsTest, PortsThatCannotBeOpenedGiveNothing) {
  Win32SerialPorts ports;
  // Rows: name, legend.
  const struct {
    const char* name;
    const char* legend;
  } rows[] = {{"COM77:", "no such port"}, {"COM0:", "ports count from 1"}, {"", "no name"}};
  for (const auto& row : rows) EXPECT_EQ(ports.Open(row.name), nullptr) << row.legend;
}

TEST(Win32SystemParametersTest, DoubleClickTimeTakesEffectAtOnce) {
  Win32SystemParameters system;
  const int32_t before = system.DoubleClickTime();
  for (int32_t time : {200, 900}) {
    system.Set(SystemParameter::kDoubleClickTime, time);
    EXPECT_EQ(system.DoubleClickTime(), time);
  }
  system.Set(SystemParameter::kDoubleClickTime, before);
}

std::string Contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The log file: its folder made, each line stamped, and moved aside past its size limit.
TEST(Win32LogSinkTest, LinesGoToTheFileWhichIsMovedAsideWhenFull) {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::filesystem::path folder =
      std::filesystem::path(temp) / ("tavrel-log-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::remove_all(folder);
  const std::filesystem::path file = folder / "Tavrel" / "tavrel.log";
  const std::regex stamped(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} tavrel: (.*)\r)");
  {
    // Rows fit two to the file: the third moves the first two aside.
    Win32LogSink sink(file.string(), 100);
    for (const char* line : {"controller found on COM5", "hung up", "answers again"}) {
      sink.Write(LogLevel::kInfo, line);
    }
  }
  // Rows: file, the lines it holds.
  const struct {
    std::filesystem::path file;
    std::vector<std::string> lines;
  } rows[] = {{file.string() + ".1", {"controller found on COM5", "hung up"}},
              {file, {"answers again"}}};
  for (const auto& row : rows) {
    std::vector<std::string> lines;
    const std::string text = Contents(row.file);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), stamped);
         it != std::sregex_iterator(); ++it) {
      lines.push_back((*it)[1]);
    }
    EXPECT_EQ(lines, row.lines) << row.file << ":\n" << text;
  }

  // A later start appends to what is there.
  Win32LogSink(file.string()).Write(LogLevel::kInfo, "exit status 0");
  EXPECT_NE(Contents(file).find("answers again"), std::string::npos);
  EXPECT_NE(Contents(file).find("exit status 0"), std::string::npos);

  // A path that cannot be a file loses the file's lines, nothing else.
  Win32LogSink(folder.string()).Write(LogLevel::kInfo, "nowhere to go");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tavrel
