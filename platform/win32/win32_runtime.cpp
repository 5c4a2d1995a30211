#include "platform/win32/win32_runtime.h"

#include <windows.h>

#include <system_error>

namespace tavrel {

void Win32Clock::Sleep(uint32_t ms) { ::Sleep(ms); }

uint64_t Win32Clock::NowMs() { return GetTickCount64(); }

std::thread Win32ThreadService::Start(std::function<void()> body) {
  try {
    return std::thread([body = std::move(body)] {
      SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
      body();
    });
  } catch (const std::system_error&) {
    return {};
  }
}

}  // namespace tavrel
