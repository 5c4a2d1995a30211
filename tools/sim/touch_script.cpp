#include "tools/sim/touch_script.h"

#include <sstream>
#include <vector>

namespace tavrel::sim {

namespace {
constexpr uint8_t kTouching = 0x81;
constexpr uint8_t kReleased = 0x80;
constexpr uint32_t kMaxCoordinate = 2047;
constexpr uint32_t kDefaultSteps = 10;

// The numbers that follow the command, in the given base; nothing when one is malformed.
std::optional<std::vector<uint32_t>> Numbers(std::istringstream& in, int base) {
  std::vector<uint32_t> numbers;
  std::string word;
  while (in >> word) {
    size_t used = 0;
    unsigned long value = 0;
    try {
      value = std::stoul(word, &used, base);
    } catch (const std::exception&) {
      return std::nullopt;
    }
    if (used != word.size() || value > 0xFFFFFFFFul) return std::nullopt;
    numbers.push_back(static_cast<uint32_t>(value));
  }
  return numbers;
}

bool Fits(const std::vector<uint32_t>& numbers, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    if (numbers[i] > kMaxCoordinate) return false;
  }
  return true;
}
}  // namespace

std::string TouchScript::Run(const std::string& line) {
  std::istringstream in(line.substr(0, line.find('#')));
  std::string command;
  if (!(in >> command)) return "";
  const auto numbers = Numbers(in, command == "raw" ? 16 : 10);
  if (!numbers) return "malformed number in: " + line;
  const std::vector<uint32_t>& n = *numbers;
  const bool point = n.size() == 2 && Fits(n, 0, 2);
  if ((command == "down" || command == "move" || command == "tap") && point) {
    x_ = n[0], y_ = n[1];
    emulator_.Report(kTouching, x_, y_);
    if (command == "tap") emulator_.Report(kReleased, x_, y_);
  } else if (command == "up" && (n.empty() || point)) {
    if (point) x_ = n[0], y_ = n[1];
    emulator_.Report(kReleased, x_, y_);
  } else if (command == "drag" && (n.size() == 4 || n.size() == 5) && Fits(n, 0, 4)) {
    const uint32_t steps = n.size() == 5 ? n[4] : kDefaultSteps;
    emulator_.Report(kTouching, n[0], n[1]);
    for (uint32_t i = 1; i <= steps; ++i) {
      const auto along = [&](uint32_t from, uint32_t to) {
        return static_cast<uint32_t>(from + (static_cast<int64_t>(to) - from) * i / steps);
      };
      emulator_.Report(kTouching, along(n[0], n[2]), along(n[1], n[3]));
    }
    x_ = n[2], y_ = n[3];
    emulator_.Report(kReleased, x_, y_);
  } else if (command == "wait" && n.size() == 1) {
    emulator_.Pause(n[0]);
  } else if (command == "raw" && !n.empty()) {
    Bytes bytes;
    for (uint32_t value : n) {
      if (value > 0xFF) return "not a byte in: " + line;
      bytes.push_back(static_cast<uint8_t>(value));
    }
    emulator_.Send(std::move(bytes));
  } else if (command == "hangup" && n.empty()) {
    emulator_.HangUp();
  } else if (command == "reconnect" && n.empty()) {
    emulator_.Reconnect();
  } else {
    return "not a command: " + line;
  }
  return "";
}

}  // namespace tavrel::sim
