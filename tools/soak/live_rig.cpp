#include "tools/soak/live_rig.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <sstream>

#include "testing/program_rig.h"
#include "testing/spawn.h"

// Last: Xlib's macros clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace tavrel::soak {

namespace {

constexpr int kWidth = 1024, kHeight = 768;

std::string ProcText(pid_t pid, const char* file) {
  return FileText("/proc/" + std::to_string(pid) + "/" + file);
}

void End(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
}

}  // namespace

LiveRig::LiveRig(const std::string& program, const std::vector<std::string>& environment)
    : machine_(MachineDirectory("soak")), xvfb_(kWidth, kHeight) {
  std::filesystem::create_directories(machine_ / "ports");
  if (xvfb_.Display().empty()) {
    error_ = "Xvfb did not start";
    return;
  }
  const std::vector<std::string> display = {"DISPLAY=" + xvfb_.Display()};
  tray_ = SpawnWithOutput(TrayCommand(), display, "/dev/null");
  watcher_ = std::thread([this] { Watch(); });
  sim::EmulatorOptions options;
  options.machineDir = machine_.string();
  emulator_ = std::make_unique<sim::ControllerEmulator>(options);
  if (!emulator_->Start()) {
    error_ = emulator_->Error();
    return;
  }
  const std::vector<std::string> env = ProgramEnvironment(environment, xvfb_.Display(), machine_);
  // The tray host first, so that the program finds its tray.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  program_ = SpawnWithOutput({program}, env, (machine_ / "tavrel.log").string());
  if (!WaitFor([this] { return watching_.load(); }, std::chrono::seconds(10))) {
    error_ = "no XI2 raw motion on the display";
  } else if (!WaitCount("calibration read from the controller", 1, std::chrono::seconds(20))) {
    error_ = "the program did not read the calibration:\n" + Output();
  }
}

LiveRig::~LiveRig() {
  End(program_);
  stopping_ = true;
  if (watcher_.joinable()) watcher_.join();
  if (emulator_) emulator_->Stop();
  End(tray_);
  std::error_code ignored;
  std::filesystem::remove_all(machine_, ignored);
}

void LiveRig::Watch() {
  Display* display = XOpenDisplay(xvfb_.Display().c_str());
  int opcode = 0, event = 0, error = 0;
  if (!display || !XQueryExtension(display, "XInputExtension", &opcode, &event, &error)) return;
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawMotion);
  XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
  XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
  XSync(display, False);
  watching_ = true;
  while (!stopping_) {
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    if (XPending(display) == 0 && ::poll(&fd, 1, 100) <= 0) continue;
    while (XPending(display) > 0) {
      XEvent next;
      XNextEvent(display, &next);
      if (next.xcookie.type == GenericEvent && next.xcookie.extension == opcode &&
          next.xcookie.evtype == XI_RawMotion) {
        std::lock_guard lock(mutex_);
        motions_.push_back(SteadyClock::now());
      }
    }
  }
  XCloseDisplay(display);
}

std::string LiveRig::Output() const { return FileText(machine_ / "tavrel.log"); }

size_t LiveRig::Count(const std::string& text) const {
  std::istringstream in(Output());
  size_t count = 0;
  for (std::string line; std::getline(in, line);) count += line.find(text) != std::string::npos;
  return count;
}

bool LiveRig::WaitCount(const std::string& text, size_t count,
                        std::chrono::milliseconds timeout) const {
  return WaitFor([&] { return Count(text) >= count; }, timeout);
}

size_t LiveRig::Motions() const {
  std::lock_guard lock(mutex_);
  return motions_.size();
}

std::vector<SteadyClock::time_point> LiveRig::MotionTimes() const {
  std::lock_guard lock(mutex_);
  return motions_;
}

bool LiveRig::WaitMotions(size_t count, std::chrono::milliseconds timeout) const {
  return WaitFor([&] { return Motions() >= count; }, timeout);
}

long LiveRig::ResidentKiB() const {
  std::istringstream in(ProcText(program_, "status"));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

long LiveRig::OpenDescriptors() const {
  std::error_code failed;
  long count = 0;
  for (auto it =
           std::filesystem::directory_iterator("/proc/" + std::to_string(program_) + "/fd", failed);
       !failed && it != std::filesystem::directory_iterator(); it.increment(failed)) {
    ++count;
  }
  return failed ? -1 : count;
}

double LiveRig::CpuSeconds() const { return ProcessCpuSeconds(program_); }

double ProcessCpuSeconds(pid_t pid) {
  const std::string stat = ProcText(pid, "stat");
  // Fields after the command name, which may hold spaces, start behind its closing bracket.
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i >= 14) ticks += std::stod(field);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace tavrel::soak
