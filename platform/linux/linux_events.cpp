#include "platform/linux/linux_events.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>

namespace tavrel {

bool LinuxEvent::Set() {
  const uint64_t one = 1;
  // A counter at its limit is set all the same.
  return write(fd_.Get(), &one, sizeof one) == sizeof one || errno == EAGAIN;
}

bool LinuxEvent::Reset() {
  uint64_t count = 0;
  return read(fd_.Get(), &count, sizeof count) == sizeof count || errno == EAGAIN;
}

std::unique_ptr<Event> LinuxEventService::Create(std::string_view) {
  FileDescriptor fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  if (!fd.Valid()) return nullptr;
  return std::make_unique<LinuxEvent>(std::move(fd));
}

int32_t LinuxEventService::WaitAny(std::span<Event* const> events, int32_t timeoutMs) {
  return PollEvents(events, nullptr, timeoutMs);
}

int32_t PollEvents(std::span<Event* const> events, pollfd* extra, int32_t timeoutMs) {
  // The callers wait on two or three events at most.
  std::array<pollfd, 8> all{};
  if (events.size() + 1 > all.size()) return kWaitFailed;
  nfds_t count = 0;
  for (Event* event : events) all[count++] = {static_cast<LinuxEvent*>(event)->Fd(), POLLIN, 0};
  if (extra) all[count++] = *extra;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int timeout = timeoutMs;
  int ready;
  while ((ready = poll(all.data(), count, timeout)) < 0 && errno == EINTR) {
    if (timeoutMs < 0) continue;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    timeout = static_cast<int>(std::max<int64_t>(left.count(), 0));
  }
  if (ready < 0) return kWaitFailed;
  for (size_t i = 0; i < events.size(); ++i) {
    if (all[i].revents & (POLLERR | POLLNVAL)) return kWaitFailed;
    if (all[i].revents & POLLIN) return static_cast<int32_t>(i);
  }
  if (extra) extra->revents = all[events.size()].revents;
  return ready == 0 ? kWaitTimedOut : kWaitReceived;
}

}  // namespace tavrel
