#include <gtest/gtest.h>

#include "platform/win32/win32_events.h"
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

}  // namespace
}  // namespace tavrel
