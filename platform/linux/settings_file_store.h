#pragma once

#include <atomic>
#include <string>

#include "platform/settings_store.h"

namespace tavrel {

// The settings as a registry export file, settings.reg, in the machine directory. Every write
// rewrites the file through a temporary file and a rename under an exclusive lock on the
// directory, so readers never see a torn file and concurrent writers never lose a value.
class SettingsFileStore : public SettingsStore {
 public:
  static constexpr const char* kKeyPath = "HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel";
  static constexpr const char* kFileName = "settings.reg";

  explicit SettingsFileStore(std::string directory);

  bool Open() override;
  std::optional<int32_t> Read(std::string_view name) override;
  bool Write(std::string_view name, int32_t value) override;
  bool Close() override;

  std::string FilePath() const { return directory_ + "/" + kFileName; }

 private:
  bool ReadText(std::string& text) const;
  bool ReplaceText(const std::string& text) const;

  std::string directory_;
  std::atomic<bool> open_{false};
};

}  // namespace tavrel
