#pragma once

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/system_parameters.h"

namespace tavrel {

class FakeSystemParameters : public SystemParameters {
 public:
  void Set(SystemParameter which, int32_t value) override {
    std::lock_guard lock(mutex_);
    calls_.emplace_back(which, value);
    current_[which] = value;
  }
  int32_t DoubleClickTime() override { return Current(SystemParameter::kDoubleClickTime); }
  int32_t MouseTrails() override {
    const int32_t trails = Current(SystemParameter::kMouseTrails);
    return trails < 0 ? 0 : trails;
  }

  int32_t Current(SystemParameter which) const {
    std::lock_guard lock(mutex_);
    auto it = current_.find(which);
    return it == current_.end() ? -1 : it->second;
  }
  std::vector<std::pair<SystemParameter, int32_t>> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  mutable std::mutex mutex_;
  std::map<SystemParameter, int32_t> current_;
  std::vector<std::pair<SystemParameter, int32_t>> calls_;
};

}  // namespace tavrel
