#include "testing/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <utility>

#include "testing/program_rig.h"
#include "testing/spawn.h"

namespace tavrel {

namespace {
std::string ProcText(pid_t pid, const char* file) {
  return FileText("/proc/" + std::to_string(pid) + "/" + file);
}
}  // namespace

Child::Child(std::vector<std::string> args, const std::vector<std::string>& env,
             const std::string& output)
    : pid_(SpawnWithOutput(std::move(args), env, output)) {}

Child::Child(Child&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}

Child::~Child() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

std::optional<int> Child::Wait(std::chrono::milliseconds timeout) {
  int status = 0;
  if (pid_ <= 0 || !WaitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, timeout)) {
    return std::nullopt;
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

double ProcessCpuSeconds(pid_t pid) {
  const std::string stat = ProcText(pid, "stat");
  const size_t bracket = stat.rfind(')');
  if (bracket == std::string::npos) return -1;
  // Fields after the command name, which may hold spaces, start behind its closing bracket.
  std::istringstream fields(stat.substr(bracket + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i >= 14) ticks += std::stod(field);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ProcessResidentKiB(pid_t pid) {
  std::istringstream in(ProcText(pid, "status"));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

long ProcessOpenDescriptors(pid_t pid) {
  std::error_code failed;
  long count = 0;
  for (auto it =
           std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", failed);
       !failed && it != std::filesystem::directory_iterator(); it.increment(failed)) {
    ++count;
  }
  return failed ? -1 : count;
}

}  // namespace tavrel
