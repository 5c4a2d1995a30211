#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/event_service.h"

namespace tavrel {

// Purge flags and the received-character event, with the values the Windows desktop gives them.
inline constexpr uint32_t kPurgeTxAbort = 0x0001;
inline constexpr uint32_t kPurgeRxAbort = 0x0002;
inline constexpr uint32_t kPurgeTxClear = 0x0004;
inline constexpr uint32_t kPurgeRxClear = 0x0008;
inline constexpr uint32_t kEventRxChar = 0x0001;

// The line settings the program changes. Every other setting of the line (flow control,
// handshake lines, special characters) stays as the device had it.
struct LineSettings {
  uint32_t length = 0;
  uint32_t baudRate = 0;
  uint8_t byteSize = 0;
  uint8_t parity = 0;    // 0 none
  uint8_t stopBits = 0;  // 0 one
};

// Read and write time-outs in the Windows desktop's terms. A read interval of 0xFFFFFFFF with
// zero read totals means: a read returns at once with what has arrived.
struct SerialTimeouts {
  uint32_t readInterval = 0;
  uint32_t readTotalMultiplier = 0;
  uint32_t readTotalConstant = 0;
  uint32_t writeTotalMultiplier = 0;
  uint32_t writeTotalConstant = 0;
};

// One open serial port, used by at most two threads: the reader waits and reads while the
// command thread leaves it alone, and the other way round.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  virtual bool GetLineSettings(LineSettings& settings) = 0;
  virtual bool SetLineSettings(const LineSettings& settings) = 0;
  virtual bool SetTimeouts(const SerialTimeouts& timeouts) = 0;
  virtual bool SetEventMask(uint32_t mask) = 0;
  virtual bool Purge(uint32_t flags) = 0;
  // Returns at once with what has arrived, up to capacity bytes; nothing on failure.
  virtual std::optional<uint32_t> Read(uint8_t* bytes, uint32_t capacity) = 0;
  // Writes and waits up to timeoutMs for completion. Returns the bytes written: 0 when the write
  // failed at once or did not complete in time (it is then cancelled); nothing when it
  // completed with an error.
  virtual std::optional<uint32_t> Write(const uint8_t* bytes, uint32_t count,
                                        uint32_t timeoutMs) = 0;
  // Waits until one of the events is set (its index; the lowest set wins, before received
  // data), data has been received (kWaitReceived), or the time runs out (kWaitTimedOut).
  // Received means at least atLeast bytes where the device can count them, so that a reader
  // wakes once per report rather than once per byte; other devices wake on the first byte.
  // kWaitFailed when the device failed or hung up; a hung-up device then only waits for the
  // events, so that a caller that waits again does not spin. The events must come from the
  // event service of the same back end.
  virtual int32_t WaitReceived(std::span<Event* const> events, int32_t timeoutMs,
                               uint32_t atLeast) = 0;
};

class SerialPorts {
 public:
  virtual ~SerialPorts() = default;
  // Opens the port named "COMn:" exclusively; nullptr when it cannot be opened.
  virtual std::unique_ptr<SerialDevice> Open(std::string_view name) = 0;
  // After Open failed: what stands in the way, for whoever reads the log (the port tried again
  // and closed at once); empty when the back end cannot tell.
  virtual std::string WhyNotOpened(std::string_view /*name*/) { return {}; }
};

}  // namespace tavrel
