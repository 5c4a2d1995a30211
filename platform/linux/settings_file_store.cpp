#include "platform/linux/settings_file_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/linux/file_descriptor.h"
#include "platform/log.h"

namespace tavrel {

namespace {

constexpr std::chrono::milliseconds kLockRetry{10};

// Holds an exclusive lock on the lock file for as long as it lives, after waiting for it at
// most the given time. The lock file, not the directory: anyone may open the directory, and a
// lock that anyone can take can be held against the program.
class LockFile {
 public:
  enum class State { kLocked, kBusy, kUnusable };

  LockFile(const std::string& path, std::chrono::milliseconds wait)
      : fd_(::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                   SettingsFileStore::kLockFileMode)) {
    struct stat status {};
    if (!fd_.Valid() || ::fstat(fd_.Get(), &status) != 0) {
      why_ = path + ": " + std::strerror(errno);
      return;
    }
    if (!S_ISREG(status.st_mode)) {
      why_ = path + " is no regular file";
      return;
    }
    // Whatever the umask, or whoever opened it up: only the group may open it.
    if (status.st_uid == ::geteuid() &&
        (status.st_mode & 07777) != SettingsFileStore::kLockFileMode) {
      ::fchmod(fd_.Get(), SettingsFileStore::kLockFileMode);
    }
    state_ = Take(wait);
  }
  State state() const { return state_; }
  const std::string& why() const { return why_; }

 private:
  State Take(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
      if (::flock(fd_.Get(), LOCK_EX | LOCK_NB) == 0) return State::kLocked;
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) {
        why_ = std::strerror(errno);
        return State::kUnusable;
      }
      if (std::chrono::steady_clock::now() >= deadline) return State::kBusy;
      std::this_thread::sleep_for(kLockRetry);
    }
  }

  FileDescriptor fd_;
  State state_ = State::kUnusable;
  std::string why_;
};

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

SettingsFileStore::SettingsFileStore(std::string directory, std::chrono::milliseconds lockWait)
    : directory_(std::move(directory)), lockWait_(lockWait) {}

bool SettingsFileStore::Open() {
  std::error_code error;
  std::filesystem::create_directories(directory_, error);
  if (error) return Unavailable("cannot create " + directory_ + ": " + error.message());
  if (::access(directory_.c_str(), W_OK | X_OK) != 0) {
    return OpenReadOnly("cannot write " + directory_ + " (" + std::strerror(errno) + ")");
  }
  const std::string lockPath = LockPath();
  LockFile lock(lockPath, lockWait_);
  switch (lock.state()) {
    case LockFile::State::kLocked:
      RemoveAbandonedTemporaries();
      return OpenFile(true, true);
    case LockFile::State::kBusy:
      lockContended_ = true;
      log::Info("settings: " + lockPath + " is held by another program; values are not stored " +
                "while it is");
      return OpenFile(true, false);
    case LockFile::State::kUnusable:
      break;
  }
  return OpenReadOnly("cannot use the lock file " + lock.why());
}

bool SettingsFileStore::OpenReadOnly(const std::string& why) {
  if (!OpenFile(false, false)) return false;
  log::Info("settings: " + why +
            ": the stored values are used, and changes last only until the program ends");
  return true;
}

// An existing file is never rewritten here: whatever it holds stays until a value is saved. One
// that cannot be read whole (or is no regular file, or is too large) makes the store
// unavailable, so that no write can replace it with the new value alone.
bool SettingsFileStore::OpenFile(bool writable, bool locked) {
  std::string bytes;
  Identity identity;
  switch (ReadText(bytes, identity)) {
    case ReadResult::kRead:
      if (!Decode(bytes)) return Unavailable(FilePath() + " is UTF-16 of an odd length");
      break;
    case ReadResult::kMissing: {
      if (!writable) return Unavailable(FilePath() + " is missing and cannot be created");
      if (!locked) break;
      RegFile empty(kKeyPath, "");
      empty.EnsureKey();
      if (!ReplaceText(empty.Text(), identity)) {
        return Unavailable("cannot create " + FilePath() + ": " + std::strerror(errno));
      }
      break;
    }
    case ReadResult::kTooLarge:
      return Unavailable(FilePath() + " is larger than " + std::to_string(kMaxFileSize) +
                         " bytes and is left as it is");
    case ReadResult::kFailed:
      return Unavailable("cannot read " + FilePath() +
                         " whole (it is no regular file, or unreadable)");
  }
  readOnly_ = !writable;
  open_ = true;
  return true;
}

bool SettingsFileStore::Unavailable(const std::string& why) const {
  log::Info("settings: " + why + "; running with the defaults, storing nothing");
  return false;
}

std::optional<int32_t> SettingsFileStore::Read(std::string_view name) {
  if (!open_) return std::nullopt;
  std::lock_guard guard(mutex_);
  if (auto unstored = unstored_.find(name); unstored != unstored_.end()) return unstored->second;
  if (!Refresh()) return std::nullopt;
  return cache_->file.Read(name);
}

// Called with the mutex held. The file is read again only when another one took its place.
bool SettingsFileStore::Refresh() {
  struct stat status {};
  if (cache_ && ::lstat(FilePath().c_str(), &status) == 0 &&
      *cachedIdentity_ == IdentityOf(status)) {
    return true;
  }
  cache_.reset();
  std::string bytes;
  Identity identity;
  if (ReadText(bytes, identity) != ReadResult::kRead) return false;
  cache_ = Decode(bytes);
  cachedIdentity_ = identity;
  return cache_.has_value();
}

bool SettingsFileStore::Write(std::string_view name, int32_t value) {
  if (!open_) return false;
  if (readOnly_) {
    std::lock_guard guard(mutex_);
    unstored_.insert_or_assign(std::string(name), value);
    return false;
  }
  const std::string lockPath = LockPath();
  LockFile lock(lockPath, lockContended_ ? std::chrono::milliseconds(0) : lockWait_);
  if (lock.state() == LockFile::State::kUnusable) {
    return WriteFailed("cannot lock " + lockPath + ": " + lock.why());
  }
  const bool locked = lock.state() == LockFile::State::kLocked;
  if (lockContended_.exchange(!locked) != !locked) {
    log::Info(locked ? "settings: " + lockPath + " is free again"
                     : "settings: " + lockPath + " is held by another program for more than " +
                           std::to_string(lockWait_.count()) +
                           " ms; values are not stored while it is");
  }
  if (!locked) return false;
  if (!WriteLocked(name, value)) {
    return WriteFailed("cannot store values in " + FilePath() + ": " + std::strerror(errno));
  }
  if (writeFailing_.exchange(false)) log::Info("settings: values are stored again");
  return true;
}

// Said once until a write succeeds again: the decoder writes at every report while calibrating.
bool SettingsFileStore::WriteFailed(const std::string& why) {
  if (!writeFailing_.exchange(true)) log::Info("settings: " + why + "; values are not stored");
  return false;
}

// Called with the lock file held.
bool SettingsFileStore::WriteLocked(std::string_view name, int32_t value) {
  // The other values are in the current file: a file that cannot be read is not replaced. One
  // removed since the store was opened has nothing to lose.
  std::string bytes;
  Identity identity;
  const ReadResult read = ReadText(bytes, identity);
  if (read == ReadResult::kFailed || read == ReadResult::kTooLarge) return false;
  std::optional<Contents> contents = Decode(bytes);
  if (!contents) return false;
  contents->file.Write(name, value);
  const std::string text = EncodeRegText(contents->file.Text(), contents->encoding);
  if (static_cast<int64_t>(text.size()) > kMaxFileSize || !ReplaceText(text, identity)) {
    return false;
  }
  std::lock_guard guard(mutex_);
  cache_ = std::move(contents);
  cachedIdentity_ = identity;
  return true;
}

bool SettingsFileStore::Close() { return open_.exchange(false); }

SettingsFileStore::Identity SettingsFileStore::IdentityOf(const struct stat& status) {
  return {status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec,
          status.st_mtim.tv_nsec};
}

std::optional<SettingsFileStore::Contents> SettingsFileStore::Decode(
    const std::string& bytes) const {
  std::optional<DecodedText> decoded = DecodeRegText(bytes);
  if (!decoded) return std::nullopt;
  return Contents{RegFile(kKeyPath, decoded->text), decoded->encoding};
}

SettingsFileStore::ReadResult SettingsFileStore::ReadText(std::string& bytes,
                                                          Identity& identity) const {
  bytes.clear();
  // The directory is writable by a whole group: a link or a FIFO planted in the file's place
  // must neither be followed nor block the open.
  FileDescriptor fd(::open(FilePath().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return ReadResult::kFailed;
  if (status.st_size > kMaxFileSize) return ReadResult::kTooLarge;
  identity = IdentityOf(status);
  bytes.resize(static_cast<size_t>(status.st_size));
  size_t done = 0;
  for (;;) {
    // One byte more than the size asks, so that a file that grew is noticed.
    char extra;
    const bool atEnd = done == bytes.size();
    ssize_t n = atEnd ? ::read(fd.Get(), &extra, 1)
                      : ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ReadResult::kFailed;
    if (n == 0) break;
    if (atEnd) return ReadResult::kFailed;
    done += static_cast<size_t>(n);
  }
  // Files are replaced, never changed in place, so anything but the whole file is a failure.
  return done == bytes.size() ? ReadResult::kRead : ReadResult::kFailed;
}

// Called with the lock held: every writer holds it while its temporary file exists, so any
// found now was left by a writer that was killed or lost its power. Unlinking removes a link,
// never what it leads to.
void SettingsFileStore::RemoveAbandonedTemporaries() const {
  const std::string prefix = std::string(kFileName) + std::string(kTemporaryInfix);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory_, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() == prefix.size() + kTemporaryTemplate.size() && name.starts_with(prefix)) {
      ::unlink(entry.path().c_str());
    }
  }
}

// Called with the lock held. The temporary file gets a fresh name, created exclusively, so that
// a link planted under a guessable name is never followed, and a fixed mode whatever the
// writer's umask, so that every member of the directory's group can go on replacing the file.
// The identity is the new file's, for the cache.
bool SettingsFileStore::ReplaceText(const std::string& bytes, Identity& identity) const {
  std::string temporary =
      FilePath() + std::string(kTemporaryInfix) + std::string(kTemporaryTemplate);
  {
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.Valid()) return false;
    struct stat status {};
    if (::fchmod(fd.Get(), kFileMode) != 0 || !WriteAll(fd.Get(), bytes) ||
        ::fsync(fd.Get()) != 0 || ::fstat(fd.Get(), &status) != 0) {
      const int error = errno;
      ::unlink(temporary.c_str());
      errno = error;
      return false;
    }
    identity = IdentityOf(status);
  }
  if (::rename(temporary.c_str(), FilePath().c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  FileDescriptor dir(::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Valid()) ::fsync(dir.Get());
  return true;
}

}  // namespace tavrel
