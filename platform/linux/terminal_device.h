#pragma once

#include <termios.h>

#include <atomic>
#include <optional>
#include <utility>

#include "platform/linux/file_descriptor.h"
#include "platform/serial_device.h"

namespace tavrel {

// An open terminal device. Waits poll the device together with the callers' eventfd events.
class TerminalDevice : public SerialDevice {
 public:
  // Takes the descriptor, opened non-blocking, locked and in exclusive mode, and keeps its line
  // settings to put back when it closes.
  explicit TerminalDevice(FileDescriptor fd);
  ~TerminalDevice() override;
  TerminalDevice(const TerminalDevice&) = delete;
  TerminalDevice& operator=(const TerminalDevice&) = delete;

  bool GetLineSettings(LineSettings& settings) override;
  bool SetLineSettings(const LineSettings& settings) override;
  bool SetTimeouts(const SerialTimeouts& timeouts) override;
  bool SetEventMask(uint32_t mask) override;
  bool Purge(uint32_t flags) override;
  std::optional<uint32_t> Read(uint8_t* bytes, uint32_t capacity) override;
  std::optional<uint32_t> Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs) override;
  int32_t WaitReceived(std::span<Event* const> events, int32_t timeoutMs,
                       uint32_t atLeast) override;

 private:
  FileDescriptor fd_;
  // The line settings found at open, restored at close whatever happened in between.
  std::optional<termios> found_;
  // Set once the device hung up: it never delivers data again, and polling it would return
  // at once for ever. Both of the port's threads wait on the device (one at a time, as the
  // reader is parked while commands run), hence the atomics.
  std::atomic<bool> hungUp_{false};
  // The terminal's VMIN: with VTIME 0, poll reports input only once this many bytes are there.
  // Reads stay non-blocking whatever it is.
  std::atomic<uint32_t> minimum_{0};
};

}  // namespace tavrel
