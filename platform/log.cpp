#include "platform/log.h"

#include <atomic>
#include <cstdlib>

namespace tavrel::log {

namespace {

std::atomic<LogSink*> currentSink{nullptr};
std::atomic<LogLevel> currentLevel{LogLevel::kInfo};

void Write(LogLevel level, std::string_view line) {
  LogSink* sink = currentSink.load(std::memory_order_acquire);
  if (sink != nullptr && Enabled(level)) sink->Write(level, line);
}

}  // namespace

void SetSink(LogSink* sink, LogLevel level) {
  currentLevel.store(level, std::memory_order_relaxed);
  currentSink.store(sink, std::memory_order_release);
}

LogLevel LevelFromEnvironment() {
  const char* level = std::getenv("TAVREL_LOG");
  return level != nullptr && std::string_view(level) == "debug" ? LogLevel::kDebug
                                                                : LogLevel::kInfo;
}

bool Enabled(LogLevel level) {
  return currentSink.load(std::memory_order_acquire) != nullptr &&
         (level == LogLevel::kInfo ||
          currentLevel.load(std::memory_order_relaxed) == LogLevel::kDebug);
}

void Info(std::string_view line) { Write(LogLevel::kInfo, line); }
void Debug(std::string_view line) { Write(LogLevel::kDebug, line); }

}  // namespace tavrel::log
