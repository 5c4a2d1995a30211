#pragma once

#include <windows.h>

#include "platform/serial_device.h"

namespace tavrel {

// One serial port opened for overlapped I/O. Reads, writes and the wait for received data each
// have their own I/O record and event, so the reader's pending wait survives the command
// thread's reads and writes.
class Win32SerialDevice : public SerialDevice {
 public:
  explicit Win32SerialDevice(HANDLE handle);
  ~Win32SerialDevice() override;
  Win32SerialDevice(const Win32SerialDevice&) = delete;
  Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;

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
  // Starts the wait for a communication event unless one is pending; false when it failed.
  bool ArmWait();
  // Collects the finished wait; a failed one means the line has gone.
  void FinishWait();
  uint32_t Queued();

  HANDLE handle_;
  DCB dcb_{};  // as read from the port, so that what the program does not set stays as found
  bool haveDcb_ = false;
  OVERLAPPED readIo_{};
  OVERLAPPED writeIo_{};
  OVERLAPPED waitIo_{};
  DWORD waitMask_ = 0;  // written by the pending wait
  bool waitPending_ = false;
  bool hungUp_ = false;
};

class Win32SerialPorts : public SerialPorts {
 public:
  // "COMn:" opens \\.\COMn, which also reaches ports above COM9.
  std::unique_ptr<SerialDevice> Open(std::string_view name) override;
  // The system's text for the error that stands in the way (access denied: in use).
  std::string WhyNotOpened(std::string_view name) override;
};

}  // namespace tavrel
