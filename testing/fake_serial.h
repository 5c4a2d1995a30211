#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/serial_device.h"
#include "testing/fake_events.h"

namespace tavrel {

using Bytes = std::vector<uint8_t>;

// The far side of one fake port: what the program wrote, what it will receive, and the
// failures to play. Received bytes come in segments: one read never crosses a segment, and an
// empty segment is a read that finds nothing, as when the rest of an answer comes late.
struct FakeLine {
  std::vector<Bytes> written;
  std::deque<Bytes> incoming;
  // Called for each write that completes, under the hub's lock; returns the answer's segments.
  std::function<std::vector<Bytes>(const Bytes&)> answer;
  uint32_t purges = 0;
  bool open = false;
  bool failGet = false, failSet = false, failTimeouts = false, failPurge = false;
  bool failMask = false, failWrite = false, hungUp = false;
  bool missing = false;  // the port does not open, as a USB adapter pulled out
  // Bytes written by each write at most (a write that stops short), when set.
  std::optional<uint32_t> writeLimit;
  LineSettings lineSettings{28, 1200, 7, 2, 2};
  SerialTimeouts timeouts{};
};

class FakeSerialDevice : public SerialDevice {
 public:
  FakeSerialDevice(FakeEventService& hub, FakeLine& line) : hub_(hub), line_(line) {}
  ~FakeSerialDevice() override {
    std::lock_guard lock(hub_.mutex);
    line_.open = false;
  }

  bool GetLineSettings(LineSettings& settings) override {
    std::lock_guard lock(hub_.mutex);
    if (line_.failGet) return false;
    settings = line_.lineSettings;
    return true;
  }
  bool SetLineSettings(const LineSettings& settings) override {
    std::lock_guard lock(hub_.mutex);
    if (line_.failSet) return false;
    line_.lineSettings = settings;
    return true;
  }
  bool SetTimeouts(const SerialTimeouts& timeouts) override {
    std::lock_guard lock(hub_.mutex);
    line_.timeouts = timeouts;
    return !line_.failTimeouts;
  }
  bool SetEventMask(uint32_t mask) override {
    std::lock_guard lock(hub_.mutex);
    return mask == kEventRxChar && !line_.failMask;
  }
  bool Purge(uint32_t flags) override {
    std::lock_guard lock(hub_.mutex);
    if (line_.failPurge) return false;
    ++line_.purges;
    if (flags & kPurgeRxClear) line_.incoming.clear();
    return true;
  }
  std::optional<uint32_t> Read(uint8_t* bytes, uint32_t capacity) override {
    std::lock_guard lock(hub_.mutex);
    if (line_.hungUp) return std::nullopt;
    if (line_.incoming.empty()) return 0;
    Bytes& front = line_.incoming.front();
    const uint32_t count = std::min<uint32_t>(capacity, static_cast<uint32_t>(front.size()));
    std::copy_n(front.begin(), count, bytes);
    front.erase(front.begin(), front.begin() + count);
    if (front.empty()) line_.incoming.pop_front();
    return count;
  }
  std::optional<uint32_t> Write(const uint8_t* bytes, uint32_t count, uint32_t) override {
    std::lock_guard lock(hub_.mutex);
    if (line_.failWrite) return std::nullopt;
    if (line_.hungUp) return 0;
    const uint32_t done = std::min(count, line_.writeLimit.value_or(count));
    line_.written.emplace_back(bytes, bytes + done);
    if (line_.answer) {
      for (Bytes& segment : line_.answer(line_.written.back())) {
        line_.incoming.push_back(std::move(segment));
      }
      hub_.changed.notify_all();
    }
    return done;
  }
  // Wakes on the first byte, as a device that cannot count.
  int32_t WaitReceived(std::span<Event* const> events, int32_t timeoutMs, uint32_t) override {
    std::unique_lock lock(hub_.mutex);
    // A hang-up ends a wait under way, once; after it only the events count.
    if (reportedHangUp_) return hub_.Wait(lock, events, timeoutMs, [] { return false; });
    const int32_t woke = hub_.Wait(lock, events, timeoutMs,
                                   [this] { return line_.hungUp || !line_.incoming.empty(); });
    if (woke != kWaitReceived || !line_.hungUp) return woke;
    reportedHangUp_ = true;
    return kWaitFailed;
  }

 private:
  FakeEventService& hub_;
  FakeLine& line_;
  bool reportedHangUp_ = false;
};

// Fake ports by name; a name without a line does not open.
class FakeSerialPorts : public SerialPorts {
 public:
  explicit FakeSerialPorts(FakeEventService& hub) : hub_(hub) {}

  std::unique_ptr<SerialDevice> Open(std::string_view name) override {
    std::lock_guard lock(hub_.mutex);
    opened_.emplace_back(name);
    auto it = lines_.find(std::string(name));
    if (it == lines_.end() || it->second->open || it->second->missing) return nullptr;
    it->second->open = true;
    return std::make_unique<FakeSerialDevice>(hub_, *it->second);
  }

  // Test side; the line stays valid for the life of this object.
  FakeLine& Add(const std::string& name) {
    std::lock_guard lock(hub_.mutex);
    auto& line = lines_[name];
    line = std::make_unique<FakeLine>();
    return *line;
  }
  // Runs f on a line under the hub's lock and wakes the waiters.
  template <typename F>
  void With(FakeLine& line, F f) {
    std::lock_guard lock(hub_.mutex);
    f(line);
    hub_.changed.notify_all();
  }
  std::vector<std::string> Opened() const {
    std::lock_guard lock(hub_.mutex);
    return opened_;
  }

 private:
  FakeEventService& hub_;
  std::map<std::string, std::unique_ptr<FakeLine>> lines_;
  std::vector<std::string> opened_;
};

}  // namespace tavrel
