#include "platform/log.h"

#include <atomic>
#include <cstdlib>

namespace tavrel::log {

namespace {

std::atomic<LogSink*> currentSink{nullptr};
std::atomic<LogLevel> currentLevel{LogLevel::kInfo};

void Write(LogLevel level, std::string_view line) {
  LogSink* sink = currentSink.load(std::memory_order_acquire);
  if (sink != nullptr && Enabled(level)) sink->Write(level, Printable(line));
}

void AppendEscaped(std::string& out, unsigned char byte) {
  constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// Length of the valid UTF-8 sequence of a printable character at the start of text; 0 when the
// first byte starts none (a stray or truncated byte, an overlong form, a C1 control).
size_t PrintableSequence(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  const bool c1 = lead == 0xC2 && byte(1) < 0xA0;
  const bool overlong = (lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xF0 && byte(1) < 0x90);
  const bool surrogateOrBeyond =
      (lead == 0xED && byte(1) >= 0xA0) || (lead == 0xF4 && byte(1) >= 0x90);
  return c1 || overlong || surrogateOrBeyond ? 0 : length;
}

}  // namespace

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const auto first = static_cast<unsigned char>(text.front());
    size_t taken = first >= 0x20 && first < 0x7F ? 1 : 0;
    if (first >= 0x80) taken = PrintableSequence(text);
    if (taken == 0) {
      AppendEscaped(out, first);
      taken = 1;
    } else {
      out.append(text.substr(0, taken));
    }
    text.remove_prefix(taken);
  }
  return out;
}

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
