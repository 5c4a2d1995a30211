#pragma once

#include <string_view>

#include "platform/log.h"

namespace tavrel {

// Lines go to standard error as "tavrel: text", and also to the system log when standard error
// is not a terminal (started by the desktop session, where nobody reads the terminal).
class SystemLogSink : public LogSink {
 public:
  explicit SystemLogSink(std::string_view program);
  ~SystemLogSink() override;
  SystemLogSink(const SystemLogSink&) = delete;
  SystemLogSink& operator=(const SystemLogSink&) = delete;

  void Write(LogLevel level, std::string_view line) override;

 private:
  bool toSystemLog_;
};

}  // namespace tavrel
