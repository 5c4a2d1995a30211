#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <string>
#include <vector>

extern "C" char** environ;

namespace tavrel {

// Spawn attributes under which a child starts with no signal blocked and the ending signals at
// their defaults, whatever the rig's process blocks or ignores: a rig that waits for its own
// signals must still be able to end its children.
class DefaultSignals {
 public:
  DefaultSignals() {
    posix_spawnattr_init(&attributes_);
    sigset_t none, ending;
    sigemptyset(&none);
    sigemptyset(&ending);
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM}) sigaddset(&ending, signal);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setsigdefault(&attributes_, &ending);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~DefaultSignals() { posix_spawnattr_destroy(&attributes_); }
  DefaultSignals(const DefaultSignals&) = delete;
  DefaultSignals& operator=(const DefaultSignals&) = delete;
  const posix_spawnattr_t* Get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

// Starts a program found on PATH with extra environment before the inherited one, its standard
// output and error going to the file output; its process id, or -1.
inline pid_t SpawnWithOutput(std::vector<std::string> args, const std::vector<std::string>& env,
                             const std::string& output) {
  std::vector<std::string> environment = env;
  for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  std::vector<char*> argv, envp;
  for (auto& arg : args) argv.push_back(arg.data());
  for (auto& var : environment) envp.push_back(var.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  const DefaultSignals signals;
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, signals.Get(), argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace tavrel
