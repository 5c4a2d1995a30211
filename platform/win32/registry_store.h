#pragma once

#include <mutex>
#include <string>

#include "platform/settings_store.h"

namespace tavrel {

// The settings as DWORD values of a key under HKEY_LOCAL_MACHINE, by default the program's own.
class RegistryStore : public SettingsStore {
 public:
  static constexpr const char* kDefaultKey = "Software\\Morvane\\Tavrel";
  // tavrel.exe's option that makes the key writable for every user (ShareSettingsKey).
  static constexpr const char* kShareOption = "--share-settings";

  explicit RegistryStore(std::string subKey = kDefaultKey) : subKey_(std::move(subKey)) {}
  ~RegistryStore() override;
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // Read and write where allowed, else read-only (logged once): then every Write fails.
  bool Open() override;
  std::optional<int32_t> Read(std::string_view name) override;
  bool Write(std::string_view name, int32_t value) override;
  bool Close() override;

 private:
  const std::string subKey_;
  // Reads and writes come from the user-interface and reader threads; the key is shared.
  std::mutex mutex_;
  void* key_ = nullptr;
};

}  // namespace tavrel
