#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

// A program started by a rig, with extra environment, killed when the object goes.
class Child {
 public:
  // The program's output goes to the file output, or nowhere.
  Child(std::vector<std::string> args, const std::vector<std::string>& env,
        const std::string& output = "/dev/null");
  ~Child();
  Child(Child&& other) noexcept;
  Child& operator=(Child&&) = delete;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // The exit status once the program has ended within the time-out (128 + the signal when a
  // signal ended it).
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

// What /proc tells of a running process: the fields of its stat behind the command name (the
// state first), user and system CPU time in seconds, resident memory in KiB, open descriptors;
// empty or -1 when it cannot be read.
std::vector<std::string> ProcessStatFields(pid_t pid);
double ProcessCpuSeconds(pid_t pid);
long ProcessResidentKiB(pid_t pid);
long ProcessOpenDescriptors(pid_t pid);

// Asks every child of this process to end (SIGTERM), as a rig interrupted by a signal must
// before it goes.
void EndChildren();

}  // namespace tavrel
