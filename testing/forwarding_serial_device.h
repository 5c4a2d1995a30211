#pragma once

#include <memory>

#include "platform/serial_device.h"

namespace tavrel {

// Passes every call on to a real device; tests and benchmarks derive from it to watch one call.
class ForwardingSerialDevice : public SerialDevice {
 public:
  explicit ForwardingSerialDevice(std::unique_ptr<SerialDevice> device)
      : device_(std::move(device)) {}

  bool GetLineSettings(LineSettings& s) override { return device_->GetLineSettings(s); }
  bool SetLineSettings(const LineSettings& s) override { return device_->SetLineSettings(s); }
  bool SetTimeouts(const SerialTimeouts& t) override { return device_->SetTimeouts(t); }
  bool SetEventMask(uint32_t mask) override { return device_->SetEventMask(mask); }
  bool Purge(uint32_t flags) override { return device_->Purge(flags); }
  std::optional<uint32_t> Read(uint8_t* bytes, uint32_t capacity) override {
    return device_->Read(bytes, capacity);
  }
  std::optional<uint32_t> Write(const uint8_t* bytes, uint32_t count, uint32_t ms) override {
    return device_->Write(bytes, count, ms);
  }
  int32_t WaitReceived(std::span<Event* const> events, int32_t ms, uint32_t atLeast) override {
    return device_->WaitReceived(events, ms, atLeast);
  }

 private:
  std::unique_ptr<SerialDevice> device_;
};

}  // namespace tavrel
