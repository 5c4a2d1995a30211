#include "platform/win32/win32_events.h"

#include <array>
#include <string>

namespace tavrel {

std::unique_ptr<Event> Win32EventService::Create(std::string_view name) {
  const std::string shared(name);
  HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, shared.empty() ? nullptr : shared.c_str());
  if (handle == nullptr) return nullptr;
  return std::make_unique<Win32Event>(handle);
}

int32_t Win32EventService::WaitAny(std::span<Event* const> events, int32_t timeoutMs) {
  return WaitHandles(events, nullptr, timeoutMs);
}

int32_t WaitHandles(std::span<Event* const> events, HANDLE extra, int32_t timeoutMs) {
  // The callers wait on two or three events at most.
  std::array<HANDLE, 8> handles{};
  if (events.size() + 1 > handles.size()) return kWaitFailed;
  DWORD count = 0;
  for (Event* event : events) handles[count++] = static_cast<Win32Event*>(event)->Handle();
  if (extra != nullptr) handles[count++] = extra;
  const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  if (count == 0) {
    // Nothing to wait for but the time (the system refuses an empty wait).
    Sleep(timeout);
    return kWaitTimedOut;
  }
  const DWORD woke = WaitForMultipleObjects(count, handles.data(), FALSE, timeout);
  if (woke == WAIT_TIMEOUT) return kWaitTimedOut;
  if (woke >= WAIT_OBJECT_0 + count) return kWaitFailed;
  const DWORD index = woke - WAIT_OBJECT_0;
  return index < events.size() ? static_cast<int32_t>(index) : kWaitReceived;
}

}  // namespace tavrel
