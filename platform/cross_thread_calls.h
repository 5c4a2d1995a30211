#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace tavrel {

// Calls carried from other threads to the user-interface thread; each caller waits until its call
// has run there or the calls were stopped. The window layer wakes its thread in its own way, and
// that thread then runs what is queued.
class CrossThreadCalls {
 public:
  // Queues call, has wake() bring the user-interface thread to RunPending and waits. Returns at
  // once, without running, once the calls have stopped.
  void Run(const std::function<void()>& call, const std::function<void()>& wake);
  // On the user-interface thread: runs every queued call, in order.
  void RunPending();
  // On the user-interface thread: drops what is queued, releasing its callers, and refuses what
  // comes later.
  void Stop();

 private:
  struct Call;
  std::mutex mutex_;
  bool stopped_ = false;
  std::deque<std::shared_ptr<Call>> queued_;
};

}  // namespace tavrel
