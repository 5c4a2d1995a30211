#pragma once

#include <functional>
#include <thread>

namespace tavrel {

class ThreadService {
 public:
  virtual ~ThreadService() = default;
  // Runs body on a new thread at above-normal priority where the system allows it. Returns an
  // empty (not joinable) thread when none could be created.
  virtual std::thread Start(std::function<void()> body) = 0;
};

}  // namespace tavrel
