#pragma once

#include <cstdint>

// Signed 32-bit arithmetic that wraps like the processor's, without undefined behaviour: corner
// values come from the controller's memory and may be anything, so products can overflow.
namespace tavrel::wrapping {

constexpr int32_t Add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

constexpr int32_t Sub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

constexpr int32_t Mul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Truncates toward zero; b must not be 0. The one overflowing quotient, INT32_MIN / -1, wraps to
// INT32_MIN instead of trapping.
constexpr int32_t Div(int32_t a, int32_t b) { return b == -1 ? Sub(0, a) : a / b; }

}  // namespace tavrel::wrapping
