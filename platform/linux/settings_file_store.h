#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/reg_file.h"
#include "platform/linux/reg_text.h"
#include "platform/settings_store.h"

struct stat;

namespace tavrel {

// The settings as a registry export file, settings.reg, in the machine directory. Every write
// rewrites the file through a temporary file and a rename under an exclusive lock on the lock
// file beside it, so readers never see a torn file and concurrent writers never lose a value.
// The lock is waited for a few seconds at most. Reads come from memory while the file is
// unchanged. A file that cannot be read whole, is too large, or is no regular file makes the
// store unavailable; a directory this user may not write opens the store for reading only.
class SettingsFileStore : public SettingsStore {
 public:
  static constexpr const char* kKeyPath = "HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel";
  static constexpr const char* kFileName = "settings.reg";
  // Read and write for the owner and the directory's group (dialout), read for others.
  static constexpr unsigned kFileMode = 0664;
  // Only the directory's group may open the lock file, so only those who may change the
  // settings anyway can hold it.
  static constexpr const char* kLockFileName = "settings.lock";
  static constexpr unsigned kLockFileMode = 0660;
  // Far above twenty values and a few foreign keys; a larger file is refused, untouched.
  static constexpr int64_t kMaxFileSize = 1 << 20;
  static constexpr std::chrono::milliseconds kLockWait{3000};
  // Temporary files are named settings.reg.tmp-XXXXXX, mkostemp filling in the X.
  static constexpr std::string_view kTemporaryInfix = ".tmp-";
  static constexpr std::string_view kTemporaryTemplate = "XXXXXX";

  explicit SettingsFileStore(std::string directory, std::chrono::milliseconds lockWait = kLockWait);

  bool Open() override;
  std::optional<int32_t> Read(std::string_view name) override;
  bool Write(std::string_view name, int32_t value) override;
  bool Close() override;

  std::string FilePath() const { return directory_ + "/" + kFileName; }
  std::string LockPath() const { return directory_ + "/" + kLockFileName; }

 private:
  enum class ReadResult { kRead, kMissing, kFailed, kTooLarge };
  // What tells one version of the file from another: every write renames a new file into place.
  struct Identity {
    uint64_t device = 0, inode = 0;
    int64_t size = 0, seconds = 0, nanoseconds = 0;
    bool operator==(const Identity&) const = default;
  };
  struct Contents {
    RegFile file;
    TextEncoding encoding;
  };

  static Identity IdentityOf(const struct stat& status);
  ReadResult ReadText(std::string& bytes, Identity& identity) const;
  std::optional<Contents> Decode(const std::string& bytes) const;
  bool OpenFile(bool writable, bool locked);
  // For a store this user may read but not write; says why, once.
  bool OpenReadOnly(const std::string& why);
  bool Refresh();
  bool WriteLocked(std::string_view name, int32_t value);
  bool WriteFailed(const std::string& why);
  void RemoveAbandonedTemporaries() const;
  bool ReplaceText(const std::string& bytes, Identity& identity) const;
  // The reason why the store is not used, once, in the log.
  bool Unavailable(const std::string& why) const;

  std::string directory_;
  std::chrono::milliseconds lockWait_;
  std::atomic<bool> open_{false};
  std::atomic<bool> readOnly_{false};
  // Set after a wait for the lock ran out: later writes try once without waiting, so that a
  // lock held against the program delays one write, not every one.
  std::atomic<bool> lockContended_{false};
  // Set while writes fail (a full disk, say), so that the log says so once, not per value.
  std::atomic<bool> writeFailing_{false};

  std::mutex mutex_;  // guards what follows: both threads read and write
  std::optional<Contents> cache_;
  std::optional<Identity> cachedIdentity_;
  // Values written while the store is read-only: not stored, but read back until the end.
  std::map<std::string, int32_t, std::less<>> unstored_;
};

}  // namespace tavrel
