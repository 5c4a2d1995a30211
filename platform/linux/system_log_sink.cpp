#include "platform/linux/system_log_sink.h"

#include <syslog.h>
#include <unistd.h>

#include <string>

namespace tavrel {

namespace {

// openlog keeps the pointer, so the identity must outlive every call.
std::string& Identity() {
  static std::string identity;
  return identity;
}

}  // namespace

SystemLogSink::SystemLogSink(std::string_view program)
    : toSystemLog_(::isatty(STDERR_FILENO) == 0) {
  if (toSystemLog_) {
    Identity() = program;
    ::openlog(Identity().c_str(), LOG_PID, LOG_USER);
  }
}

SystemLogSink::~SystemLogSink() {
  if (toSystemLog_) ::closelog();
}

void SystemLogSink::Write(LogLevel level, std::string_view line) {
  // One write per line, so lines from the two threads never interleave.
  std::string text = "tavrel: ";
  text.append(line);
  text.push_back('\n');
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
  if (toSystemLog_) {
    ::syslog(level == LogLevel::kDebug ? LOG_DEBUG : LOG_INFO, "%.*s",
             static_cast<int>(line.size()), line.data());
  }
}

}  // namespace tavrel
