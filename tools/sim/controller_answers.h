#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/sim/controller_memory.h"

namespace tavrel::sim {

using Bytes = std::vector<uint8_t>;

// The controller's own view of the line, kept apart from the program's so that the model
// checks the program rather than repeating it.
inline constexpr uint8_t kStart = 0x0A;
inline constexpr uint8_t kDefaults = 0x1D;
inline constexpr uint8_t kDefaultsSecond = 0x40;
inline constexpr uint8_t kPresence = 0x41, kWriteWord = 0x42, kReadWord = 0x43;
inline constexpr uint8_t kFirmware = 0x44, kModel = 0x46;

// What the controller does with one whole request: the answer's bytes; none for the defaults
// command, which restores the factory memory; nothing at all for a request it does not know.
// firmware is 4 characters, model 6.
std::optional<Bytes> AnswerRequest(const Bytes& request, ControllerMemory& memory,
                                   const std::string& firmware, const std::string& model);

}  // namespace tavrel::sim
