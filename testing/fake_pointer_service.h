#pragma once

#include <atomic>

#include "platform/pointer_service.h"
#include "testing/event_log.h"

namespace tavrel {

// Records every injected event in the log; accepts them unless told otherwise.
class FakePointerService : public PointerService {
 public:
  explicit FakePointerService(EventLog& log) : log_(log) {}

  uint32_t SendInput(const MouseInput& input) override {
    RecordedEvent event;
    event.input = input;
    event.start = event.end = RecordedEvent::Clock::now();
    log_.Append(event);
    return accepts ? 1 : 0;
  }

  std::atomic<bool> accepts{true};

 private:
  EventLog& log_;
};

}  // namespace tavrel
