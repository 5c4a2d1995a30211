#include "tools/sim/controller_memory.h"

#include <fstream>
#include <iomanip>

#include "settings/corners.h"

namespace tavrel::sim {

namespace {
constexpr uint16_t kChecksumSeed = 0x55;
}  // namespace

ControllerMemory::ControllerMemory() {
  for (const CornerValue& corner : kCornerValues) {
    words_[corner.word] = static_cast<uint16_t>(corner.factory);
  }
  Seal();
}

uint16_t ControllerMemory::Checksum() const {
  uint16_t sum = kChecksumSeed;
  for (uint8_t i = 0; i < kChecksumWord; ++i) sum = static_cast<uint16_t>(sum + words_[i]);
  return sum;
}

bool ControllerMemory::Load(const std::string& path) {
  std::ifstream in(path);
  std::array<uint16_t, kWords> words{};
  for (uint16_t& word : words) {
    uint32_t value = 0;
    if (!(in >> std::hex >> value) || value > 0xFFFF) return false;
    word = static_cast<uint16_t>(value);
  }
  words_ = words;
  return true;
}

bool ControllerMemory::Save(const std::string& path) const {
  std::ofstream out(path, std::ios::trunc);
  for (uint32_t i = 0; i < kWords; ++i) {
    out << std::hex << std::setw(4) << std::setfill('0') << words_[i] << (i % 8 == 7 ? '\n' : ' ');
  }
  return static_cast<bool>(out.flush());
}

}  // namespace tavrel::sim
