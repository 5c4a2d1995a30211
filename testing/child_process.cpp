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

std::vector<std::string> ProcessStatFields(pid_t pid) {
  const std::string stat = ProcText(pid, "stat");
  const size_t bracket = stat.rfind(')');
  if (bracket == std::string::npos) return {};
  // Fields after the command name, which may hold spaces, start behind its closing bracket.
  std::istringstream in(stat.substr(bracket + 1));
  std::vector<std::string> fields;
  for (std::string field; in >> field;) fields.push_back(field);
  return fields;
}

double ProcessCpuSeconds(pid_t pid) {
  // User and system time, fields 14 and 15 of stat.
  const std::vector<std::string> fields = ProcessStatFields(pid);
  if (fields.size() < 13) return -1;
  const double ticks = std::stod(fields[11]) + std::stod(fields[12]);
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

void EndChildren() {
  std::error_code failed;
  for (auto it = std::filesystem::directory_iterator("/proc", failed);
       !failed && it != std::filesystem::directory_iterator(); it.increment(failed)) {
    const std::string name = it->path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(name));
    // The parent, field 4 of stat.
    const std::vector<std::string> fields = ProcessStatFields(pid);
    if (fields.size() > 1 && fields[1] == std::to_string(::getpid())) ::kill(pid, SIGTERM);
  }
}

}  // namespace tavrel
