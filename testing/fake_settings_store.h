#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace tavrel {

// An in-memory store for unit tests: records every write and can be told to fail.
class FakeSettingsStore : public SettingsStore {
 public:
  bool Open() override {
    std::lock_guard lock(mutex_);
    open_ = openSucceeds;
    return open_;
  }
  std::optional<int32_t> Read(std::string_view name) override {
    std::lock_guard lock(mutex_);
    auto it = values_.find(std::string(name));
    if (!open_ || it == values_.end()) return std::nullopt;
    return it->second;
  }
  bool Write(std::string_view name, int32_t value) override {
    if (onWrite) onWrite(name);
    std::lock_guard lock(mutex_);
    if (!open_ || failingWrites.contains(std::string(name))) return false;
    values_[std::string(name)] = value;
    writes_.emplace_back(name);
    return true;
  }
  bool Close() override {
    std::lock_guard lock(mutex_);
    bool was = open_;
    open_ = false;
    return was;
  }

  // Test side.
  void Put(const std::string& name, int32_t value) {
    std::lock_guard lock(mutex_);
    values_[name] = value;
  }
  void Remove(const std::string& name) {
    std::lock_guard lock(mutex_);
    values_.erase(name);
  }
  std::map<std::string, int32_t> Values() const {
    std::lock_guard lock(mutex_);
    return values_;
  }
  std::vector<std::string> Writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
  }
  void ClearWrites() {
    std::lock_guard lock(mutex_);
    writes_.clear();
  }
  bool IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
  }

  bool openSucceeds = true;
  std::set<std::string> failingWrites;
  // Called at each write, before it is made, on the writer's thread.
  std::function<void(std::string_view)> onWrite;

 private:
  mutable std::mutex mutex_;
  bool open_ = false;
  std::map<std::string, int32_t> values_;
  std::vector<std::string> writes_;
};

}  // namespace tavrel
