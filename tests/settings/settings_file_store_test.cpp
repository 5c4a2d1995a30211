#include "platform/linux/settings_file_store.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
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
#include <thread>

#include "platform/linux/reg_file.h"
#include "settings/touch_settings.h"
#include "testing/fake_log_sink.h"
#include "testing/fake_settings_store.h"
#include "testing/fake_system_parameters.h"
#include "testing/fake_window_service.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;

class SettingsFileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tavrel-settings-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  static std::string TextOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::string FileText() const { return TextOf(dir / "settings.reg"); }
  void WriteFile(const std::string& text) const {
    fs::create_directories(dir);
    std::ofstream(dir / "settings.reg", std::ios::binary) << text;
  }
  bool Logged(const std::string& text) const { return log.Count(text) > 0; }

  fs::path dir;
  FakeLogSink log;
  FakeSystemParameters system;
  FakeWindowService windows;
};

TEST_F(SettingsFileStoreTest, FirstLoadCreatesTheDirectoryAndFile) {
  SettingsFileStore store(dir / "nested");
  TouchSettings settings({store, system, windows});
  EXPECT_TRUE(TextOf(dir / "nested" / "settings.reg")
                  .starts_with("Windows Registry Editor Version 5.00\n"));
  EXPECT_EQ(settings.ReadSerialPort(), 5);
  EXPECT_EQ(settings.ReadValue("Click Value Right Top Y"), 127);
  EXPECT_EQ(settings.ReadCapturedX(), -130);
  EXPECT_FALSE(fs::exists(dir / "nested" / "settings.reg.tmp"));
}

TEST_F(SettingsFileStoreTest, ValuesAreWrittenInRegistryExportFormat) {
  SettingsFileStore store(dir);
  ASSERT_TRUE(store.Open());
  ASSERT_TRUE(store.Write("Serial Port", 5));
  ASSERT_TRUE(store.Write("Buzzer Frequency (Hz)", -130));
  EXPECT_EQ(FileText(),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel]\n"
            "\"Serial Port\"=dword:00000005\n"
            "\"Buzzer Frequency (Hz)\"=dword:ffffff7e\n");
}

TEST_F(SettingsFileStoreTest, LoadKeepsStoredAndUnknownLinesAndReplacesOtherTypes) {
  WriteFile(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel]\n"
      "\"Buzzer Frequency (Hz)\"=dword:00000fa0\n"
      "\"Buzzer Duration (msec)\"=hex:01,02,03,04,05\n"
      "\"Double Click Delay\"=\"500\"\n"
      "\"Someone Else's\"=dword:0000002a\n");
  SettingsFileStore store(dir);
  TouchSettings settings({store, system, windows});
  EXPECT_EQ(settings.GetBuzzerFrequency(), 4000);
  EXPECT_EQ(settings.GetBuzzerDuration(), 40);
  EXPECT_EQ(settings.ReadBuzzerDuration(), 40);
  EXPECT_EQ(settings.ReadDoubleClickDelay(), 900);
  EXPECT_EQ(settings.ReadValue("Someone Else's"), 42);
}

TEST_F(SettingsFileStoreTest, GarbageFileIsKeptAndStillWorks) {
  const std::string garbage("\x00\xff\x7f[[[\"\"=dword:\n\"Serial Port\"=dword:00000003", 44);
  WriteFile(garbage);
  SettingsFileStore store(dir);
  TouchSettings settings({store, system, windows});
  EXPECT_EQ(settings.GetBuzzerFrequency(), 2500);
  EXPECT_EQ(FileText().substr(0, garbage.size()), garbage);
  EXPECT_EQ(settings.ReadSerialPort(), 5);
}

TEST_F(SettingsFileStoreTest, UnusableDirectoryFailsLoadAndEveryAccess) {
  fs::create_directories(dir);
  std::ofstream(dir / "file") << "x";
  struct Row {
    const char* legend;
    fs::path machineDir;
  };
  fs::create_directories(dir / "reg-is-a-dir" / "settings.reg");
  fs::create_directories(dir / "reg-is-a-fifo");
  ASSERT_EQ(::mkfifo((dir / "reg-is-a-fifo" / "settings.reg").c_str(), 0664), 0);
  fs::create_directories(dir / "reg-is-a-link");
  fs::create_symlink(dir / "file", dir / "reg-is-a-link" / "settings.reg");
  for (const auto& [name, bytes, size] :
       {std::tuple{"reg-too-large", "x", 100 << 20}, {"reg-odd-utf-16", "\xFF\xFE\x41", 3}}) {
    fs::create_directories(dir / name);
    std::ofstream(dir / name / "settings.reg") << bytes;
    fs::resize_file(dir / name / "settings.reg", size);
  }
  const Row rows[] = {
      {"directory below a file cannot be made", dir / "file" / "machine"},
      {"settings.reg is a directory", dir / "reg-is-a-dir"},
      {"settings.reg is a FIFO: no hang", dir / "reg-is-a-fifo"},
      {"settings.reg is a link: not followed", dir / "reg-is-a-link"},
      {"settings.reg of 100 MB: refused at once", dir / "reg-too-large"},
      {"UTF-16 of an odd length, which could not be written back", dir / "reg-odd-utf-16"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeLogSink rowLog;
    SettingsFileStore store(row.machineDir);
    FakeSystemParameters params;
    TouchSettings settings({store, params, windows});
    EXPECT_EQ(settings.Load(), -100);
    EXPECT_EQ(settings.GetBuzzerFrequency(), 2500);
    EXPECT_TRUE(params.Calls().empty());
    EXPECT_EQ(settings.ReadSerialPort(), -130);
    EXPECT_EQ(settings.ReadRightClickEnabled(), -130);
    EXPECT_EQ(settings.SaveBuzzerFrequency(3000), -120);
    EXPECT_EQ(settings.SaveRightClickEnabled(1), -120);
    EXPECT_EQ(rowLog.Lines().size(), 2u) << "the reason, once, at each of the two loads";
  }
  EXPECT_EQ(fs::file_size(dir / "reg-too-large" / "settings.reg"), 100u << 20) << "untouched";
  EXPECT_EQ(TextOf(dir / "file"), "x");
  EXPECT_EQ(fs::status(dir / "reg-is-a-fifo" / "settings.reg").type(), fs::file_type::fifo);
}

// A write never replaces a file it could not read whole with the new value alone, and never
// writes through a link planted in the group-writable directory.
TEST_F(SettingsFileStoreTest, WritesNeitherLoseTheFileNorFollowPlantedLinks) {
  struct Row {
    const char* legend;
    std::function<void(const fs::path& file)> plant;
    bool written;
  };
  const fs::path victim = fs::temp_directory_path() / ("tavrel-victim-" + std::to_string(getpid()));
  const Row rows[] = {
      {"a link in the temporary file's old place",
       [&](const fs::path& file) { fs::create_symlink(victim, file.string() + ".tmp"); }, true},
      {"settings.reg replaced by a link",
       [&](const fs::path& file) {
         fs::remove(file);
         fs::create_symlink(victim, file);
       },
       false},
      {"settings.reg replaced by a FIFO",
       [](const fs::path& file) {
         fs::remove(file);
         ASSERT_EQ(::mkfifo(file.c_str(), 0664), 0);
       },
       false},
      {"settings.reg unreadable as a whole (a directory)",
       [](const fs::path& file) {
         fs::remove(file);
         fs::create_directory(file);
       },
       false},
  };
  const mode_t umask = ::umask(077);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    fs::remove_all(dir);
    std::ofstream(victim) << "victim";
    SettingsFileStore store(dir);
    ASSERT_TRUE(store.Open());
    ASSERT_TRUE(store.Write("Serial Port", 3));
    row.plant(dir / "settings.reg");
    EXPECT_EQ(store.Write("Buzzer Frequency (Hz)", 4000), row.written);
    EXPECT_EQ(TextOf(victim), "victim");
    if (row.written) {
      EXPECT_EQ(store.Read("Serial Port"), 3);
      EXPECT_EQ(store.Read("Buzzer Frequency (Hz)"), 4000);
      EXPECT_EQ(fs::status(dir / "settings.reg").permissions(), static_cast<fs::perms>(0664));
    } else {
      EXPECT_EQ(store.Read("Serial Port"), std::nullopt);
    }
    // settings.lock beside the file and the planted entry.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()),
              row.written ? 3 : 2);
  }
  ::umask(umask);
  fs::remove(victim);
}

TEST_F(SettingsFileStoreTest, ConcurrentWritersLoseNothing) {
  SettingsFileStore first(dir), second(dir);
  ASSERT_TRUE(first.Open());
  ASSERT_TRUE(second.Open());
  constexpr int kRounds = 200;
  auto writer = [](SettingsFileStore& store, const std::string& name) {
    for (int i = 1; i <= kRounds; ++i) ASSERT_TRUE(store.Write(name, i));
  };
  std::thread a(writer, std::ref(first), "Click Value X");
  std::thread b(writer, std::ref(second), "Click Value Y");
  a.join();
  b.join();
  EXPECT_EQ(first.Read("Click Value X"), kRounds);
  EXPECT_EQ(first.Read("Click Value Y"), kRounds);
}

// A writer killed at any moment leaves either the old or the new file, never a torn one.
TEST_F(SettingsFileStoreTest, KilledWriterNeverLeavesAPartialFile) {
  SettingsFileStore store(dir);
  ASSERT_TRUE(store.Open());
  for (int name = 0; name < 40; ++name) store.Write("Value " + std::to_string(name), 0);
  for (int round = 0; round < 20; ++round) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int32_t i = 1;; ++i) store.Write("Value " + std::to_string(i % 40), i);
    }
    ::usleep(static_cast<useconds_t>(2000 + round * 500));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    RegFile file(SettingsFileStore::kKeyPath, FileText());
    for (int name = 0; name < 40; ++name) {
      ASSERT_TRUE(file.Read("Value " + std::to_string(name)).has_value()) << round;
    }
  }
  // What the killed writers left behind goes at the next start; a link planted under such a
  // name goes, what it leads to stays.
  fs::create_symlink(dir / "settings.reg", dir / "settings.reg.tmp-PLANTD");
  std::ofstream(dir / "settings.reg.backup") << "kept";
  SettingsFileStore next(dir);
  ASSERT_TRUE(next.Open());
  // settings.reg, settings.lock and the backup.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
  EXPECT_TRUE(fs::exists(dir / "settings.reg.backup"));
  EXPECT_TRUE(next.Read("Value 0").has_value());
}

// The defaults file shipped with the Windows build holds exactly the values a first start writes,
// every line ending in CR LF as regedit expects.
TEST_F(SettingsFileStoreTest, ShippedWindowsDefaultsMatchAFirstStart) {
  FakeSettingsStore store;
  TouchSettings settings({store, system, windows});
  std::istringstream text(TextOf(TAVREL_WINDOWS_DEFAULTS));
  ASSERT_TRUE(text.str().starts_with(RegFile::kHeader));
  const RegFile shipped(SettingsFileStore::kKeyPath, text.str());
  size_t valueLines = 0;
  for (std::string line; std::getline(text, line);) {
    EXPECT_TRUE(line.ends_with('\r')) << line;
    if (line.starts_with('"')) ++valueLines;
  }
  const auto written = store.Values();
  EXPECT_EQ(valueLines, written.size());
  for (const auto& [name, value] : written) EXPECT_EQ(shipped.Read(name), value) << name;
}

// The directory, which anyone may open, is no lock any more; the lock file, which only the group
// may open, delays one write at most while a member holds it.
TEST_F(SettingsFileStoreTest, LocksHeldAgainstTheProgramDelayOneWriteAtMost) {
  SettingsFileStore store(dir.string(), std::chrono::milliseconds(100));
  ASSERT_TRUE(store.Open());
  const int directory = ::open(dir.c_str(), O_RDONLY);
  const int lock = ::open((dir / "settings.lock").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(directory, LOCK_SH), 0);
  EXPECT_TRUE(store.Write("Serial Port", 3));
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  const std::string before = FileText();
  EXPECT_FALSE(store.Write("Serial Port", 4));
  EXPECT_FALSE(store.Write("Serial Port", 5)) << "at once: the wait ran out before";
  EXPECT_EQ(FileText(), before);
  ::close(lock), ::close(directory);
  EXPECT_TRUE(store.Write("Serial Port", 6));
  EXPECT_TRUE(Logged("is held by another program") && Logged("is free again"));
  EXPECT_EQ(fs::status(dir / "settings.lock").permissions(), static_cast<fs::perms>(0660));
}

// An unchanged file is not read again; a changed one is.
TEST_F(SettingsFileStoreTest, FilesAreReadAgainOnlyWhenChanged) {
  SettingsFileStore store(dir.string()), other(dir.string());
  ASSERT_TRUE(store.Open() && other.Open() && store.Write("Serial Port", 3));
  // Changed in place, its size and time kept: not read again, so still 3.
  struct stat before {};
  ::stat((dir / "settings.reg").c_str(), &before);
  std::string text = FileText();
  text[text.rfind('3')] = '9';
  WriteFile(text);
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ::utimensat(AT_FDCWD, (dir / "settings.reg").c_str(), times, 0);
  EXPECT_EQ(store.Read("Serial Port"), 3);
  ASSERT_TRUE(other.Write("Serial Port", 4));
  EXPECT_EQ(store.Read("Serial Port"), 4);
}

// Windows' registry editor writes UTF-16 with CR LF: read, and written back the same way.
TEST_F(SettingsFileStoreTest, Utf16FilesAreReadAndKeptInTheirEncodingAndLineEndings) {
  const auto utf16 = [](std::u16string_view units) {
    std::string bytes;
    for (const char16_t unit : units) bytes += {char(unit & 0xFF), char(unit >> 8)};
    return bytes;
  };
  const std::string file = utf16(
      u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Morvane"
      u"\\Tavrel]\r\n\"Buzzer Frequency (Hz)\"=dword:00000fa0\r\n; Grüße \U0001F600 \xD800\r\n");
  WriteFile(file);
  SettingsFileStore store(dir.string());
  EXPECT_EQ(TouchSettings({store, system, windows}).GetBuzzerFrequency(), 4000);
  EXPECT_TRUE(FileText().starts_with(file));
  EXPECT_NE(FileText().find(utf16(u"\"Serial Port\"=dword:00000005\r\n")), std::string::npos);
}

// A full disk fails the writes, says so once, and keeps the file whole.
TEST_F(SettingsFileStoreTest, AFullDiskFailsTheWritesAndKeepsTheFile) {
  SettingsFileStore store(dir.string());
  TouchSettings settings({store, system, windows});
  const std::string before = FileText();
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit small{before.size() / 2, saved.rlim_max};
  ::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_EQ(settings.SaveBuzzerFrequency(3000), kSettingsWriteFailed);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(FileText(), before);
  EXPECT_EQ(settings.SaveBuzzerFrequency(3000), kSettingsOk);
  EXPECT_TRUE(Logged("cannot store values in") && Logged("values are stored again"));
}

// A directory this user (nobody, outside the group) may not write: the stored values are used,
// nothing is stored, and the lock file does not even open.
TEST_F(SettingsFileStoreTest, AReadOnlyStoreUsesTheStoredValuesAndStoresNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "playing a second user needs root";
  WriteFile(
      "[HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel]\n\"Buzzer Frequency (Hz)\"=dword:00000fa0\n"
      "\"RightClickEnabled\"=dword:00000001\n");
  ASSERT_TRUE(SettingsFileStore(dir.string()).Open());
  const std::string before = FileText();
  const pid_t child = ::fork();
  if (child == 0) {  // nobody, outside every group
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(16);
    SettingsFileStore store(dir.string());
    TouchSettings settings({store, system, windows});
    ::_exit((settings.GetBuzzerFrequency() == 4000 ? 0 : 1) |
            (settings.SaveBuzzerFrequency(3000) == kSettingsWriteFailed ? 0 : 2) |
            (settings.IsRightClickEnabled() == 0 ? 0 : 4) |
            (::open((dir / "settings.lock").c_str(), O_RDONLY) < 0 ? 0 : 8));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "1: value unused, 2: stored, 4: right click stuck, 8: lock opens";
  EXPECT_EQ(FileText(), before);
}

}  // namespace
}  // namespace tavrel
