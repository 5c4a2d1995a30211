#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace tavrel {

// A manual-reset event: once set it stays set until reset.
class Event {
 public:
  virtual ~Event() = default;
  virtual bool Set() = 0;
  virtual bool Reset() = 0;
};

// Results of the waits below other than the index of a signalled event.
inline constexpr int32_t kWaitReceived = -1;  // the device has received data
inline constexpr int32_t kWaitTimedOut = -2;
inline constexpr int32_t kWaitFailed = -3;   // also: the device has hung up
inline constexpr int32_t kWaitForever = -1;  // as a time-out

class EventService {
 public:
  virtual ~EventService() = default;
  // A manual-reset event, created non-signalled; nullptr when none can be created. Where the
  // system shares named events between programs the name is used; "" makes it unnamed.
  virtual std::unique_ptr<Event> Create(std::string_view name) = 0;
  // Waits until one of the events is set: the lowest index of those set wins. Events of other
  // services must not be passed.
  virtual int32_t WaitAny(std::span<Event* const> events, int32_t timeoutMs) = 0;
};

}  // namespace tavrel
