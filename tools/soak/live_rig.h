#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "testing/xvfb_server.h"
#include "tools/sim/controller_emulator.h"

namespace tavrel::soak {

using SteadyClock = std::chrono::steady_clock;

// A process's user and system CPU time in seconds, from /proc.
double ProcessCpuSeconds(pid_t pid);

// The real program at work as a kiosk runs it: a private Xvfb with trayer as the tray host, the
// emulator on the line at 9600 baud, and an X client that notes when each pointer move arrives
// (XI2 raw motion), as any other client would see it.
class LiveRig {
 public:
  // program: the tavrel executable; extra environment such as "TAVREL_LOG=debug".
  LiveRig(const std::string& program, const std::vector<std::string>& environment = {});
  ~LiveRig();
  LiveRig(const LiveRig&) = delete;
  LiveRig& operator=(const LiveRig&) = delete;

  // Empty once everything runs and the controller's calibration has been read; else what failed.
  const std::string& Error() const { return error_; }
  sim::ControllerEmulator& Emulator() { return *emulator_; }
  pid_t ProgramPid() const { return program_; }
  const std::filesystem::path& MachineDir() const { return machine_; }

  // The program's output so far.
  std::string Output() const;
  // How many lines of the output contain text.
  size_t Count(const std::string& text) const;
  // Waits until Count(text) reaches count; false when the time runs out.
  bool WaitCount(const std::string& text, size_t count, std::chrono::milliseconds timeout) const;

  // Raw pointer motions seen so far, and when each arrived.
  size_t Motions() const;
  std::vector<SteadyClock::time_point> MotionTimes() const;
  // Waits until `count` motions have arrived; false when the time runs out.
  bool WaitMotions(size_t count, std::chrono::milliseconds timeout) const;

  // The program's resident memory in KiB and its open descriptors, from /proc.
  long ResidentKiB() const;
  long OpenDescriptors() const;
  // The program's user and system CPU time in seconds.
  double CpuSeconds() const;

 private:
  void Watch();

  std::filesystem::path machine_;
  std::string error_;
  XvfbServer xvfb_;
  pid_t tray_ = -1;
  std::unique_ptr<sim::ControllerEmulator> emulator_;
  pid_t program_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread watcher_;
  mutable std::mutex mutex_;
  std::vector<SteadyClock::time_point> motions_;  // under mutex_
  std::atomic<bool> watching_{false};
};

}  // namespace tavrel::soak
