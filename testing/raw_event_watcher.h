#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavrel {

// An X client of its own that notes the pointer's raw events (XI2) as any other client would
// see them: each motion with the time it arrived, each button press and release.
class RawEventWatcher {
 public:
  using Clock = std::chrono::steady_clock;
  struct Button {
    bool pressed;
    int number;
  };

  explicit RawEventWatcher(const std::string& display);
  ~RawEventWatcher();
  RawEventWatcher(const RawEventWatcher&) = delete;
  RawEventWatcher& operator=(const RawEventWatcher&) = delete;

  // True once the watcher receives raw events; false when it cannot within the time-out.
  bool WaitWatching(std::chrono::milliseconds timeout) const;

  size_t Motions() const;
  std::vector<Clock::time_point> MotionTimes() const;
  // Waits until `count` motions have arrived; false when the time runs out.
  bool WaitMotions(size_t count, std::chrono::milliseconds timeout) const;

  std::vector<Button> Buttons() const;

 private:
  void Watch(const std::string& display);

  std::atomic<bool> watching_{false};
  std::atomic<bool> failed_{false};
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<Clock::time_point> motions_;  // under mutex_
  std::vector<Button> buttons_;             // under mutex_
  std::thread thread_;
};

}  // namespace tavrel
