#include "platform/linux/linux_events.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace tavrel {

LinuxEvent::~LinuxEvent() { close(fd_); }

bool LinuxEvent::Set() {
  const uint64_t one = 1;
  // A counter at its limit is set all the same.
  return write(fd_, &one, sizeof one) == sizeof one || errno == EAGAIN;
}

bool LinuxEvent::Reset() {
  uint64_t count = 0;
  return read(fd_, &count, sizeof count) == sizeof count || errno == EAGAIN;
}

std::unique_ptr<Event> LinuxEventService::Create(std::string_view) {
  const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<LinuxEvent>(fd);
}

int32_t LinuxEventService::WaitAny(std::span<Event* const> events, int32_t timeoutMs) {
  std::vector<pollfd> fds;
  return PollEvents(events, fds, timeoutMs);
}

int32_t PollEvents(std::span<Event* const> events, std::vector<pollfd>& fds, int32_t timeoutMs) {
  std::vector<pollfd> all;
  all.reserve(events.size() + fds.size());
  for (Event* event : events) all.push_back({static_cast<LinuxEvent*>(event)->Fd(), POLLIN, 0});
  all.insert(all.end(), fds.begin(), fds.end());
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int timeout = timeoutMs;
  int ready;
  while ((ready = poll(all.data(), all.size(), timeout)) < 0 && errno == EINTR) {
    if (timeoutMs < 0) continue;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    timeout = static_cast<int>(std::max<int64_t>(left.count(), 0));
  }
  if (ready < 0) return kWaitFailed;
  for (size_t i = 0; i < events.size(); ++i) {
    if (all[i].revents & (POLLERR | POLLNVAL)) return kWaitFailed;
    if (all[i].revents & POLLIN) return static_cast<int32_t>(i);
  }
  for (size_t i = 0; i < fds.size(); ++i) fds[i].revents = all[events.size() + i].revents;
  return ready == 0 ? kWaitTimedOut : kWaitReceived;
}

}  // namespace tavrel
