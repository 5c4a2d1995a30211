#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavrel {

// The one per-machine location of named 32-bit values (the registry key on Windows).
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // Opens the location, creating it when missing. False when it cannot be opened or created.
  virtual bool Open() = 0;
  // The value, or nothing when it is missing, not a 32-bit value, or the store is not open.
  virtual std::optional<int32_t> Read(std::string_view name) = 0;
  // Writes the value at once. False when it could not be written or the store is not open.
  virtual bool Write(std::string_view name, int32_t value) = 0;
  virtual bool Close() = 0;
};

}  // namespace tavrel
