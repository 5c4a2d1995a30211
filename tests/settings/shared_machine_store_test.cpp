#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/fake/fake_log_sink.h"
#include "platform/fake/fake_system_parameters.h"
#include "platform/fake/fake_window_service.h"
#include "platform/linux/settings_file_store.h"
#include "settings/touch_settings.h"

// The settings file on a machine shared with other users: locks others hold, files others
// planted or grew, other encodings, a full disk and a directory this user may not write.
namespace tavrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Release = std::function<void()>;

// In a child process: becomes the user nobody, or ends it with status 100.
void BecomeSecondUser() {
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr || ::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
      ::setuid(nobody->pw_uid) != 0) {
    ::_exit(100);
  }
}

// Runs body as the user nobody in a child process; its exit status, or -1.
int AsSecondUser(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    BecomeSecondUser();
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#define SKIP_UNLESS_ROOT() \
  if (::geteuid() != 0) GTEST_SKIP() << "a second user (nobody) needs root to be played"

class SharedMachineStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::permissions(dir, static_cast<fs::perms>(0755));
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Bytes() const {
    std::ifstream in(dir / "settings.reg", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void Put(const std::string& bytes) const {
    std::ofstream(dir / "settings.reg", std::ios::binary) << bytes;
  }
  bool Logged(const std::string& text) const {
    for (const auto& line : log.Lines()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  fs::path dir = fs::temp_directory_path() / ("tavrel-shared-" + std::to_string(::getpid()));
  FakeLogSink log;
  FakeSystemParameters system;
  FakeWindowService windows;
};

// Nobody outside the group can hold the lock, and one held longer than the wait delays one write.
TEST_F(SharedMachineStoreTest, LocksHeldAgainstTheProgramDelayItOnlyBriefly) {
  struct Row {
    const char* legend;
    std::function<Release(const fs::path& lock)> hold;
    bool written;
    const char* logged;
  };
  const Row rows[] = {
      {"a group member holds the lock file",
       [](const fs::path& lock) -> Release {
         const int fd = ::open(lock.c_str(), O_RDONLY);
         ::flock(fd, LOCK_EX);
         return [fd] { ::close(fd); };
       },
       false, "is held by another program"},
      {"the lock file is a FIFO",
       [](const fs::path& lock) -> Release {
         fs::remove(lock);
         ::mkfifo(lock.c_str(), 0666);
         return [lock] { fs::remove(lock); };
       },
       false, "is no regular file"},
      {"the lock file is a link",
       [](const fs::path& lock) -> Release {
         fs::remove(lock);
         fs::create_symlink("/etc/passwd", lock);
         return [lock] { fs::remove(lock); };
       },
       false, "cannot lock"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    SettingsFileStore store(dir.string(), 100ms);
    ASSERT_TRUE(store.Open());
    ASSERT_TRUE(store.Write("Serial Port", 3));
    const std::string before = Bytes();
    const Release release = row.hold(dir / "settings.lock");
    EXPECT_EQ(store.Write("Serial Port", 4), row.written);
    EXPECT_EQ(store.Write("Serial Port", 5), row.written);
    EXPECT_TRUE(Logged(row.logged));
    EXPECT_EQ(Bytes(), before);
    release();
    EXPECT_TRUE(store.Write("Serial Port", 6));
    EXPECT_EQ(store.Read("Serial Port"), 6);
  }
  EXPECT_TRUE(Logged("is free again"));
  EXPECT_EQ(fs::status(dir / "settings.lock").permissions(), static_cast<fs::perms>(0660));
}

TEST_F(SharedMachineStoreTest, ASecondUserCanNeitherOpenTheLockNorFreezeWritesByTheDirectory) {
  SKIP_UNLESS_ROOT();
  SettingsFileStore store(dir.string());
  ASSERT_TRUE(store.Open());
  int ready[2], done[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(done), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    ::close(done[1]);
    BecomeSecondUser();
    const std::string lock = (dir / "settings.lock").string();
    if (::open(lock.c_str(), O_RDONLY) >= 0 || errno != EACCES) ::_exit(1);
    // The old lock: a shared lock on the world-readable directory.
    if (::flock(::open(dir.c_str(), O_RDONLY | O_DIRECTORY), LOCK_SH) != 0) ::_exit(2);
    char byte = 0;
    ::_exit(::write(ready[1], "x", 1) == 1 && ::read(done[0], &byte, 1) >= 0 ? 0 : 3);
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the second user did not get as far as its lock";
  EXPECT_TRUE(store.Write("Serial Port", 7));
  ::close(done[1]);
  int status = 0;
  ::waitpid(holder, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A file grown past the limit is refused at once and left as it is; a file that did not change
// is not read again, one that did is.
TEST_F(SharedMachineStoreTest, FilesAreBoundedAndReadAgainOnlyWhenChanged) {
  struct Row {
    const char* legend;
    off_t size;
    bool opens;
  };
  const Row rows[] = {{"100 MB", 100 << 20, false},
                      {"one byte over 1 MiB", (1 << 20) + 1, false},
                      {"exactly 1 MiB", 1 << 20, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    Put("Windows Registry Editor Version 5.00\n");
    ASSERT_EQ(::truncate((dir / "settings.reg").c_str(), row.size), 0);
    SettingsFileStore store(dir.string());
    EXPECT_EQ(store.Open(), row.opens);
    EXPECT_EQ(fs::file_size(dir / "settings.reg"), static_cast<uintmax_t>(row.size));
  }
  EXPECT_TRUE(Logged("is larger than 1048576 bytes and is left as it is"));

  fs::remove(dir / "settings.reg");
  SettingsFileStore store(dir.string()), other(dir.string());
  ASSERT_TRUE(store.Open() && other.Open());
  ASSERT_TRUE(store.Write("Serial Port", 3));
  // Changed in place with its size and time kept: not read again, so the old value stays.
  const std::string path = (dir / "settings.reg").string();
  struct stat before {};
  ::stat(path.c_str(), &before);
  std::string text = Bytes();
  text[text.rfind('3')] = '9';
  Put(text);
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
  EXPECT_EQ(store.Read("Serial Port"), 3);
  ASSERT_TRUE(other.Write("Serial Port", 4));  // a new file in its place
  EXPECT_EQ(store.Read("Serial Port"), 4);
}

// Windows' registry editor writes UTF-16 with CR LF: read, and written back the same way.
TEST_F(SharedMachineStoreTest, Utf16FilesAreReadAndKeptInTheirEncodingAndLineEndings) {
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel]\r\n"
      u"\"Buzzer Frequency (Hz)\"=dword:00000fa0\r\n"
      u"; Grüße \U0001F600 \xD800 kept\r\n";
  struct Row {
    const char* legend;
    bool bigEndian;
  };
  for (const Row& row : {Row{"little-endian", false}, Row{"big-endian", true}}) {
    SCOPED_TRACE(row.legend);
    const auto encode = [&](std::u16string_view units) {
      std::string bytes;
      for (char16_t unit : units) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += row.bigEndian ? high : low;
        bytes += row.bigEndian ? low : high;
      }
      return bytes;
    };
    Put(encode(u"\uFEFF") + encode(text));
    SettingsFileStore store(dir.string());
    TouchSettings settings({store, system, windows}, 0, 0, 0);
    EXPECT_EQ(settings.GetBuzzerFrequency(), 4000);
    const std::string written = Bytes();
    EXPECT_TRUE(written.starts_with(encode(u"\uFEFF") + encode(text)));
    EXPECT_NE(written.find(encode(u"\"Serial Port\"=dword:00000005\r\n")), std::string::npos);
    EXPECT_EQ(written.size() % 2, 0u);
  }
  Put(std::string("\xFF\xFE\x41", 3));  // odd: could not be written back unchanged
  SettingsFileStore odd(dir.string());
  EXPECT_FALSE(odd.Open());
  EXPECT_EQ(Bytes(), std::string("\xFF\xFE\x41", 3));
}

// A disk that takes no more: every value not stored is reported, the file stays whole.
TEST_F(SharedMachineStoreTest, AFullDiskFailsTheWritesAndKeepsTheFile) {
  SettingsFileStore store(dir.string());
  TouchSettings settings({store, system, windows}, 0, 0, 0);
  const std::string before = Bytes();
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = before.size() / 2;
  ::setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_EQ(settings.SaveBuzzerFrequency(3000), kSettingsWriteFailed);
  EXPECT_EQ(settings.SaveBuzzerDuration(50), kSettingsWriteFailed);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(settings.ReadBuzzerFrequency(), 2500);
  EXPECT_TRUE(Logged("cannot store values in"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
  EXPECT_EQ(settings.SaveBuzzerFrequency(3000), kSettingsOk);
  EXPECT_TRUE(Logged("values are stored again"));
}

// Without a store the reason is logged once; a file this user may only read still gives its values.
TEST_F(SharedMachineStoreTest, AStoreThatCannotBeOpenedSaysWhyAndUsesWhatItCanRead) {
  std::ofstream(dir / "file") << "x";
  SettingsFileStore none((dir / "file" / "machine").string());
  TouchSettings defaults({none, system, windows}, 0, 0, 0);
  EXPECT_EQ(defaults.GetBuzzerFrequency(), 2500);
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_TRUE(Logged("cannot create")) << log.Lines()[0];

  SKIP_UNLESS_ROOT();
  Put("[HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel]\n\"Buzzer Frequency (Hz)\"=dword:00000fa0\n"
      "\"RightClickEnabled\"=dword:00000001\n");
  const std::string before = Bytes();
  EXPECT_EQ(AsSecondUser([&] {
              SettingsFileStore store(dir.string());
              TouchSettings settings({store, system, windows}, 0, 0, 0);
              // Stored values used, nothing stored, and the right-click mode still starts off.
              return (settings.GetBuzzerFrequency() == 4000 ? 0 : 1) |
                     (settings.SaveBuzzerFrequency(3000) == kSettingsWriteFailed ? 0 : 2) |
                     (settings.IsRightClickEnabled() == 0 ? 0 : 4) |
                     (settings.ReadSerialPort() == 5 ? 0 : 8);
            }),
            0);
  EXPECT_EQ(Bytes(), before);
}

}  // namespace
}  // namespace tavrel
