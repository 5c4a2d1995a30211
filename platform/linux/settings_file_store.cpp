#include "platform/linux/settings_file_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/linux/file_descriptor.h"
#include "platform/linux/reg_file.h"

namespace tavrel {

namespace {

// Holds an exclusive lock on the directory; other threads and processes wait for it.
class DirectoryLock {
 public:
  explicit DirectoryLock(const std::string& directory)
      : fd_(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (!fd_.Valid()) return;
    int rc;
    do rc = ::flock(fd_.Get(), LOCK_EX);
    while (rc != 0 && errno == EINTR);
    locked_ = rc == 0;
  }
  bool locked() const { return locked_; }
  int fd() const { return fd_.Get(); }

 private:
  FileDescriptor fd_;
  bool locked_ = false;
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

SettingsFileStore::SettingsFileStore(std::string directory) : directory_(std::move(directory)) {}

bool SettingsFileStore::Open() {
  std::error_code error;
  std::filesystem::create_directories(directory_, error);
  if (error || ::access(directory_.c_str(), W_OK | X_OK) != 0) return false;
  DirectoryLock lock(directory_);
  if (!lock.locked()) return false;
  RemoveAbandonedTemporaries();
  // An existing file is never rewritten here: whatever it holds stays until a value is saved.
  // One that cannot be read whole (or is no regular file) makes the store unavailable, so that
  // no write can replace it with the new value alone.
  std::string text;
  switch (ReadText(text)) {
    case ReadResult::kRead:
      break;
    case ReadResult::kMissing: {
      RegFile empty(kKeyPath, "");
      empty.EnsureKey();
      if (!ReplaceText(empty.Text())) return false;
      break;
    }
    case ReadResult::kFailed:
      return false;
  }
  open_ = true;
  return true;
}

std::optional<int32_t> SettingsFileStore::Read(std::string_view name) {
  std::string text;
  if (!open_ || ReadText(text) != ReadResult::kRead) return std::nullopt;
  return RegFile(kKeyPath, text).Read(name);
}

bool SettingsFileStore::Write(std::string_view name, int32_t value) {
  if (!open_) return false;
  DirectoryLock lock(directory_);
  if (!lock.locked()) return false;
  // The other values are in the current file: a file that cannot be read is not replaced. One
  // removed since the store was opened has nothing to lose.
  std::string text;
  if (ReadText(text) == ReadResult::kFailed) return false;
  RegFile file(kKeyPath, text);
  file.Write(name, value);
  return ReplaceText(file.Text());
}

bool SettingsFileStore::Close() { return open_.exchange(false); }

SettingsFileStore::ReadResult SettingsFileStore::ReadText(std::string& text) const {
  text.clear();
  // The directory is writable by a whole group: a link or a FIFO planted in the file's place
  // must neither be followed nor block the open.
  FileDescriptor fd(::open(FilePath().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return ReadResult::kFailed;
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ReadResult::kFailed;
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  // Files are replaced, never changed in place, so anything but the whole file is a failure.
  return text.size() == static_cast<size_t>(status.st_size) ? ReadResult::kRead
                                                            : ReadResult::kFailed;
}

// Called with the directory lock held: every writer holds it while its temporary file exists, so
// any found now was left by a writer that was killed or lost its power. Unlinking removes a link,
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

// Called with the directory lock held. The temporary file gets a fresh name, created
// exclusively, so that a link planted under a guessable name is never followed, and a fixed
// mode whatever the writer's umask, so that every member of the directory's group can go on
// replacing the file.
bool SettingsFileStore::ReplaceText(const std::string& text) const {
  std::string temporary =
      FilePath() + std::string(kTemporaryInfix) + std::string(kTemporaryTemplate);
  {
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.Valid()) return false;
    if (::fchmod(fd.Get(), kFileMode) != 0 || !WriteAll(fd.Get(), text) || ::fsync(fd.Get()) != 0) {
      ::unlink(temporary.c_str());
      return false;
    }
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
