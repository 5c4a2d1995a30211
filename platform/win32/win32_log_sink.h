#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/log.h"

namespace tavrel {

// Lines go to a file, each with its local time, to the debugger's output, and to standard error
// when the program has one (started from a console with its output redirected, or under Wine
// from a terminal). A windowed program has no terminal, so the file is what whoever looks after
// the machine reads.
class Win32LogSink : public LogSink {
 public:
  // Past this size the file is moved to "<path>.1" (replacing an older one) and started afresh,
  // so an unattended machine never fills its disk.
  static constexpr uint64_t kSizeLimit = 1024 * 1024;

  // %LOCALAPPDATA%\Tavrel\tavrel.log, or the same under %TEMP% without a local application folder.
  static std::string DefaultPath();

  // The folder of the path is made when missing. A file that cannot be opened leaves the other
  // outputs working.
  explicit Win32LogSink(std::string path, uint64_t sizeLimit = kSizeLimit);
  ~Win32LogSink() override;
  Win32LogSink(const Win32LogSink&) = delete;
  Win32LogSink& operator=(const Win32LogSink&) = delete;

  void Write(LogLevel level, std::string_view line) override;
  const std::string& Path() const { return path_; }

 private:
  void Open(bool empty = false);
  void WriteFileLine(const std::string& text);

  const std::string path_;
  const uint64_t sizeLimit_;
  std::mutex mutex_;
  void* file_ = nullptr;  // a HANDLE; null when the file could not be opened
  uint64_t size_ = 0;
};

}  // namespace tavrel
