#pragma once

#include <cstdint>

// The controller's command protocol on the serial line (9600 baud, 8N1).
//
// Request:  0A  len  cmd  params...     len = 1 + number of params, cmd an ASCII capital
// Answer:   0A  len  cmd  payload...    found by its 3-byte header anywhere in what arrived
//
//   request              bytes sent            answer header   payload
//   presence             0A 01 41              0A 01 41        -
//   firmware release     0A 01 44              0A 05 44        4 characters
//   model                0A 01 46              0A 07 46        6 characters
//   read word            0A 02 43 i            0A 04 43        i, low, high
//   write word           0A 04 42 i lo hi      (first 4 bytes) byte 3 echoes i
//   load defaults        1D 40 (unframed)      no answer
//
// Memory: 64 words, low byte first on the wire. Words 0..7 hold the calibration corners,
// word 63 = (sum of words 0..62 + 0x55) mod 65536.
namespace tavrel::wire {

inline constexpr uint8_t kStart = 0x0A;
inline constexpr uint8_t kPresence = 0x41;
inline constexpr uint8_t kWriteWord = 0x42;
inline constexpr uint8_t kReadWord = 0x43;
inline constexpr uint8_t kFirmwareRelease = 0x44;
inline constexpr uint8_t kModel = 0x46;
inline constexpr uint8_t kLoadDefaults[] = {0x1D, 0x40};

inline constexpr uint8_t kPresenceAnswerLength = 0x01;
inline constexpr uint8_t kFirmwareAnswerLength = 0x05;
inline constexpr uint8_t kModelAnswerLength = 0x07;
inline constexpr uint8_t kReadWordAnswerLength = 0x04;
inline constexpr uint8_t kWriteWordAnswerLength = 0x04;

inline constexpr uint32_t kMemoryWords = 64;
inline constexpr uint8_t kChecksumWord = 63;
inline constexpr uint16_t kChecksumSeed = 0x55;
inline constexpr uint32_t kCornerWords = 8;

}  // namespace tavrel::wire
