#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tavrel::sim {

// The controller's 64 memory words: the calibration corners in words 0 to 7 and the checksum
// (sum of words 0 to 62 plus 0x55, modulo 65536) in word 63.
class ControllerMemory {
 public:
  static constexpr uint32_t kWords = 64;
  static constexpr uint8_t kChecksumWord = 63;

  // Factory corners and a valid checksum.
  ControllerMemory();

  uint16_t Get(uint8_t index) const { return words_[index % kWords]; }
  void Set(uint8_t index, uint16_t value) { words_[index % kWords] = value; }
  // The checksum that words 0 to 62 call for.
  uint16_t Checksum() const;
  void Seal() { words_[kChecksumWord] = Checksum(); }

  // Text file: the 64 words in hexadecimal, separated by white space. Load takes the words of
  // a complete file only.
  bool Load(const std::string& path);
  bool Save(const std::string& path) const;

 private:
  std::array<uint16_t, kWords> words_{};
};

}  // namespace tavrel::sim
