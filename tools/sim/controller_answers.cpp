#include "tools/sim/controller_answers.h"

namespace tavrel::sim {

namespace {

Bytes Framed(uint8_t command, Bytes payload) {
  payload.insert(payload.begin(), {kStart, static_cast<uint8_t>(payload.size() + 1), command});
  return payload;
}

Bytes Text(const std::string& text, size_t length) {
  Bytes bytes(text.begin(), text.end());
  bytes.resize(length, ' ');
  return bytes;
}

}  // namespace

std::optional<Bytes> AnswerRequest(const Bytes& request, ControllerMemory& memory,
                                   const std::string& firmware, const std::string& model) {
  if (request.size() < 2) return std::nullopt;
  if (request[0] == kDefaults) {
    if (request[1] == kDefaultsSecond) memory = ControllerMemory();
    return Bytes{};
  }
  if (request.size() < 3 || request[0] != kStart) return std::nullopt;
  const uint8_t command = request[2];
  const uint8_t index = request.size() > 3 ? request[3] : 0;
  if (command == kPresence) return Framed(kPresence, {});
  if (command == kFirmware) return Framed(kFirmware, Text(firmware, 4));
  if (command == kModel) return Framed(kModel, Text(model, 6));
  if (command == kReadWord && request.size() == 4) {
    const uint16_t word = memory.Get(index);
    return Framed(kReadWord,
                  {index, static_cast<uint8_t>(word & 0xFF), static_cast<uint8_t>(word >> 8)});
  }
  if (command == kWriteWord && request.size() == 6) {
    memory.Set(index, static_cast<uint16_t>(request[5] * 256 + request[4]));
    return Framed(kWriteWord, {index});
  }
  return std::nullopt;
}

}  // namespace tavrel::sim
