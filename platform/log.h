#pragma once

#include <string>
#include <string_view>

namespace tavrel {

// How much the program says: kInfo is what whoever looks after the machine needs (start, port,
// controller, hang-ups, message boxes, exit); kDebug adds the protocol exchanges.
enum class LogLevel { kInfo, kDebug };

// Where log lines go; Write may be called from any thread and must take one whole line at once.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void Write(LogLevel level, std::string_view line) = 0;
};

namespace log {

// The program sets its sink once at start, before any other thread runs; without one, lines are
// dropped, so the core and its tests need no set-up.
void SetSink(LogSink* sink, LogLevel level);
// TAVREL_LOG=debug in the environment selects the debug level; anything else is kInfo.
LogLevel LevelFromEnvironment();
bool Enabled(LogLevel level);
// The text with every control character (C0, DEL, C1) and every byte that is not part of valid
// UTF-8 written as \xNN, so that text from a device or a file can neither break a line nor
// drive a terminal. The log passes each line through it.
std::string Printable(std::string_view text);
void Info(std::string_view line);
void Debug(std::string_view line);

}  // namespace log
}  // namespace tavrel
