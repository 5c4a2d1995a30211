#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace tavrel {

// The settings as a registry export file, settings.reg, in the machine directory. Every write
// rewrites the file through a temporary file and a rename under an exclusive lock on the
// directory, so readers never see a torn file and concurrent writers never lose a value. A file
// that cannot be read whole, or is no regular file, makes the store unavailable.
class SettingsFileStore : public SettingsStore {
 public:
  static constexpr const char* kKeyPath = "HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel";
  static constexpr const char* kFileName = "settings.reg";
  // Read and write for the owner and the directory's group (dialout), read for others.
  static constexpr unsigned kFileMode = 0664;
  // Temporary files are named settings.reg.tmp-XXXXXX, mkostemp filling in the X.
  static constexpr std::string_view kTemporaryInfix = ".tmp-";
  static constexpr std::string_view kTemporaryTemplate = "XXXXXX";

  explicit SettingsFileStore(std::string directory);

  bool Open() override;
  std::optional<int32_t> Read(std::string_view name) override;
  bool Write(std::string_view name, int32_t value) override;
  bool Close() override;

  std::string FilePath() const { return directory_ + "/" + kFileName; }

 private:
  enum class ReadResult { kRead, kMissing, kFailed };
  ReadResult ReadText(std::string& text) const;
  void RemoveAbandonedTemporaries() const;
  bool ReplaceText(const std::string& text) const;

  std::string directory_;
  std::atomic<bool> open_{false};
};

}  // namespace tavrel
