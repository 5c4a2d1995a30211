#include "tools/sim/controller_memory.h"

#include <fstream>
#include <iomanip>

namespace tavrel::sim {

namespace {
// Left-bottom, right-bottom, left-top and right-top corners, X then Y, in raw units.
constexpr std::array<uint16_t, 8> kFactoryCorners = {126, 1885, 1955, 1895, 111, 105, 1946, 127};
constexpr uint16_t kChecksumSeed = 0x55;
}  // namespace

ControllerMemory::ControllerMemory() {
  for (uint8_t i = 0; i < kFactoryCorners.size(); ++i) words_[i] = kFactoryCorners[i];
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
