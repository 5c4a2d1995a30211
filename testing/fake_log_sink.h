#pragma once

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/log.h"

namespace tavrel {

// Keeps every line, and takes itself out of the log when it goes.
class FakeLogSink : public LogSink {
 public:
  explicit FakeLogSink(LogLevel level = LogLevel::kInfo) { log::SetSink(this, level); }
  ~FakeLogSink() override { log::SetSink(nullptr, LogLevel::kInfo); }

  void Write(LogLevel /*level*/, std::string_view line) override {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  // How many lines contain text.
  size_t Count(std::string_view text) const {
    std::lock_guard lock(mutex_);
    return std::ranges::count_if(lines_, [&](const auto& l) { return l.find(text) != l.npos; });
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace tavrel
