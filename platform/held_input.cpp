#include "platform/held_input.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <vector>

namespace tavrel::held_input {

namespace {

// Never destroyed: the release at exit runs after static objects may have gone.
std::mutex& Mutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

std::vector<HeldInput*>& Registered() {
  static auto* registered = new std::vector<HeldInput*>;
  return *registered;
}

std::terminate_handler previousTerminate = nullptr;

[[noreturn]] void ReleaseAndTerminate() {
  ReleaseAll();
  // The previous handler says what was thrown, and aborts.
  if (previousTerminate != nullptr) previousTerminate();
  std::abort();
}

void ReleaseAtExit() { ReleaseAll(); }

void InstallOnce() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    std::atexit(ReleaseAtExit);
    previousTerminate = std::set_terminate(ReleaseAndTerminate);
  });
}

}  // namespace

void Register(HeldInput& input) {
  InstallOnce();
  std::lock_guard lock(Mutex());
  Registered().push_back(&input);
}

void Unregister(HeldInput& input) {
  std::lock_guard lock(Mutex());
  std::erase(Registered(), &input);
}

void ReleaseAll() {
  std::lock_guard lock(Mutex());
  for (HeldInput* input : Registered()) input->ReleaseHeld();
}

}  // namespace tavrel::held_input
