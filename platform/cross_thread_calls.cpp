#include "platform/cross_thread_calls.h"

#include <condition_variable>

namespace tavrel {

struct CrossThreadCalls::Call {
  std::function<void()> call;
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;

  void Finish() {
    std::lock_guard lock(mutex);
    finished = true;
    done.notify_all();
  }
};

void CrossThreadCalls::Run(const std::function<void()>& call, const std::function<void()>& wake) {
  auto pending = std::make_shared<Call>();
  pending->call = call;
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return;
    queued_.push_back(pending);
  }
  wake();
  std::unique_lock lock(pending->mutex);
  pending->done.wait(lock, [&] { return pending->finished; });
}

void CrossThreadCalls::RunPending() {
  for (;;) {
    std::shared_ptr<Call> next;
    {
      std::lock_guard lock(mutex_);
      if (stopped_ || queued_.empty()) return;
      next = queued_.front();
      queued_.pop_front();
    }
    next->call();
    next->Finish();
  }
}

// Called on the user-interface thread, so no carried call is running meanwhile.
void CrossThreadCalls::Stop() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  for (auto& pending : queued_) pending->Finish();
  queued_.clear();
}

}  // namespace tavrel
