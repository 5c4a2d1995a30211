#include "platform/linux/linux_runtime.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <system_error>

namespace tavrel {

namespace {
// About what the Windows desktop's above-normal priority is to normal.
constexpr int kRaisedNice = -5;
}  // namespace

void SystemClock::Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

uint64_t SystemClock::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::thread LinuxThreadService::Start(std::function<void()> body) {
  try {
    return std::thread([body = std::move(body)] {
      // Without the right to raise it the thread runs at the normal priority.
      setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kRaisedNice);
      body();
    });
  } catch (const std::system_error&) {
    return {};
  }
}

}  // namespace tavrel
