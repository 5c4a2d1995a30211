#pragma once

#include <windows.h>

#include "platform/event_service.h"

namespace tavrel {

// A manual-reset Win32 event.
class Win32Event : public Event {
 public:
  explicit Win32Event(HANDLE handle) : handle_(handle) {}
  ~Win32Event() override { CloseHandle(handle_); }
  Win32Event(const Win32Event&) = delete;
  Win32Event& operator=(const Win32Event&) = delete;

  bool Set() override { return SetEvent(handle_) != 0; }
  bool Reset() override { return ResetEvent(handle_) != 0; }
  HANDLE Handle() const { return handle_; }

 private:
  HANDLE handle_;
};

class Win32EventService : public EventService {
 public:
  std::unique_ptr<Event> Create(std::string_view name) override;
  int32_t WaitAny(std::span<Event* const> events, int32_t timeoutMs) override;
};

// Waits for the events and, when given, one more handle (reported as kWaitReceived); the lowest
// index of those signalled wins. Allocates nothing.
int32_t WaitHandles(std::span<Event* const> events, HANDLE extra, int32_t timeoutMs);

}  // namespace tavrel
