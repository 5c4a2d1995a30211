#pragma once

#include <poll.h>

#include <utility>

#include "platform/event_service.h"
#include "platform/linux/file_descriptor.h"

namespace tavrel {

// A manual-reset event on an eventfd: readable while set.
class LinuxEvent : public Event {
 public:
  explicit LinuxEvent(FileDescriptor fd) : fd_(std::move(fd)) {}
  LinuxEvent(const LinuxEvent&) = delete;
  LinuxEvent& operator=(const LinuxEvent&) = delete;

  bool Set() override;
  bool Reset() override;
  int Fd() const { return fd_.Get(); }

 private:
  FileDescriptor fd_;
};

// Linux has no shared namespace for events; names are ignored.
class LinuxEventService : public EventService {
 public:
  std::unique_ptr<Event> Create(std::string_view name) override;
  int32_t WaitAny(std::span<Event* const> events, int32_t timeoutMs) override;
};

// Polls the events and, when given, one more descriptor; returns the lowest index of a set
// event, kWaitReceived when only the extra descriptor has something to tell (its revents say
// what), kWaitTimedOut, or kWaitFailed. Allocates nothing.
int32_t PollEvents(std::span<Event* const> events, pollfd* extra, int32_t timeoutMs);

}  // namespace tavrel
