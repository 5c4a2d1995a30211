// SetupDialog against the controller emulator on a real pseudo-terminal, for the ways a controller
// misbehaves: the dialog keeps working and, where the line lives on, touches go on afterwards.
#include <gtest/gtest.h>

#include "link/serial_port.h"
#include "platform/linux/linux_events.h"
#include "platform/linux/linux_runtime.h"
#include "platform/linux/serial_ports.h"
#include "resources/resource_ids.h"
#include "setup/setup_dialog.h"
#include "testing/link_test_support.h"
#include "testing/scratch_machine_directory.h"
#include "tools/sim/controller_emulator.h"

namespace tavrel {
namespace {

namespace id = resource_id;

TEST(SetupEmulatorTest, MisbehavingControllersLeaveTheDialogUsableWithItsTexts) {
  struct Row {
    const char* legend;
    std::function<void(sim::Misbehaviour&)> misbehave;
    const char *firmwareLine, *modelLine, *memoryLine;
    bool touchAfter;
    bool replug = false;  // the line comes back after the dialog
  };
  const char* kSound = "Memory checked successfully!";
  const char* kError = "Error checking touch controller memory";
  const char* kLost = "Touch screen controller lost; reconnecting";
  const Row rows[] = {
      {"well behaved", [](sim::Misbehaviour&) {}, "Firmware release: 2.05",
       "Touch screen controller model: TV4001", kSound, true},
      {"stray bytes before every answer", [](sim::Misbehaviour& m) { m.garbage = true; },
       "Firmware release: 2.05", "Touch screen controller model: TV4001", kSound, true},
      // Cut word answers lose their high bytes, so the checksum does not match.
      {"answers cut after five bytes", [](sim::Misbehaviour& m) { m.truncateTo = 5; },
       "Firmware release: 2.", "Touch screen controller model: TV",
       "Touch Controller memory error! Loading default calibration data", true},
      {"silent", [](sim::Misbehaviour& m) { m.silent = true; },
       "Touch screen controller not present", "Touch model reading", kError, true},
      {"hangs up during the memory check", [](sim::Misbehaviour& m) { m.hangUpAtRequest = 20; },
       "Firmware release: 2.05", "Touch screen controller model: TV4001", kLost, false},
      // Unplugged at each kind of exchange (the program's requests 10, 11 and 13, after the nine
      // of detection): the reader's own reconnection brings touch back.
      {"lost at the presence check", [](sim::Misbehaviour& m) { m.hangUpAtRequest = 1; }, kLost,
       "Touch model reading", kLost, true, true},
      {"lost at the firmware request", [](sim::Misbehaviour& m) { m.hangUpAtRequest = 2; }, kLost,
       "Touch model reading", kLost, true, true},
      {"lost at the first memory word", [](sim::Misbehaviour& m) { m.hangUpAtRequest = 4; },
       "Firmware release: 2.05", "Touch screen controller model: TV4001", kLost, true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ScratchMachineDirectory machine;
    sim::EmulatorOptions options;
    options.machineDir = machine.Path();
    options.pace = false;
    row.misbehave(options.misbehave);
    sim::ControllerEmulator emulator(options);
    ASSERT_TRUE(emulator.Start()) << emulator.Error();
    ProgramSide program;
    LinuxSerialPorts ports;
    LinuxEventService events;
    LinuxThreadService threads;
    SystemClock clock;
    CTvSerialPort port{program.settings, program.decoder, {ports, events, threads, clock}};
    ASSERT_EQ(port.OpenSerialPort("COM5:"), link_result::kOk);
    SetupDialog dialog(port, program.settings, {program.windows, program.system, program.tone});
    std::map<int32_t, std::string> texts;
    program.windows.scripts[id::kSetupDialog] = [&](WindowHandle h) {
      program.windows.Command(h, id::kCheckMemoryButton);
      for (int32_t line : {id::kFirmwareLine, id::kModelLine, id::kMemoryLine}) {
        texts[line] = program.windows.ControlState(h, line).text;
      }
      program.windows.Command(h, kIdOk);
    };
    EXPECT_EQ(dialog.Run(0), kIdOk);
    EXPECT_EQ(texts[id::kFirmwareLine], row.firmwareLine);
    EXPECT_EQ(texts[id::kModelLine], row.modelLine);
    EXPECT_EQ(texts[id::kMemoryLine], row.memoryLine);
    if (row.replug) {
      emulator.Reconnect();
      ASSERT_TRUE(WaitUntil([&] { return !port.LineLost(); })) << "reconnected";
    }
    if (row.touchAfter) {
      const size_t before = program.log.Total();
      emulator.Report(0x81, 1000, 1000);
      EXPECT_TRUE(WaitUntil([&] { return program.log.Total() > before; })) << "reader released";
    }
    port.CloseSerialPort(1);
  }
}

}  // namespace
}  // namespace tavrel
