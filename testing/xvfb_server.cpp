#include "testing/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "testing/spawn.h"

namespace tavrel {

namespace {
constexpr int kStartTimeoutMs = 10000;

// Reads the display number Xvfb writes, up to its newline, within the time-out.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  char c;
  for (;;) {
    pollfd waiting{fd, POLLIN, 0};
    int ready = ::poll(&waiting, 1, kStartTimeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return "";
    ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return "";
    if (c == '\n') return number;
    number += c;
  }
}
}  // namespace

XvfbServer::XvfbServer(int width, int height, const std::vector<std::string>& extraArguments) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return;
  // The child's copy of the write end must survive exec: give it a descriptor without CLOEXEC.
  const int childFd = 3;
  const std::string fd = std::to_string(childFd);
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  std::vector<std::string> args = {"Xvfb", "-displayfd", fd,    "-screen", "0",
                                   screen, "-nolisten",  "tcp", "-noreset"};
  args.insert(args.end(), extraArguments.begin(), extraArguments.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], childFd);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const DefaultSignals signals;
  const int spawned = ::posix_spawnp(&pid_, "Xvfb", &actions, signals.Get(), argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (spawned != 0) {
    pid_ = -1;
  } else {
    const std::string number = ReadDisplayNumber(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ::close(fds[0]);
}

XvfbServer::~XvfbServer() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace tavrel
