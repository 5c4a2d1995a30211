#include "platform/linux/run_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>

namespace tavrel {
namespace {

namespace fs = std::filesystem;

// The single-instance lock lives only where nobody else can put or hold anything.
TEST(RunDirectoryTest, OnlyAPrivateDirectoryOfThisUserIsUsed) {
  const fs::path temporary = fs::temp_directory_path() / ("tavrel-run-" + std::to_string(getpid()));
  const fs::path own = temporary / ("tavrel-" + std::to_string(getuid()));
  struct Row {
    const char* legend;
    std::function<void()> prepare;
    std::optional<fs::path> used;
    const char* why;
    bool needsRoot = false;
  };
  const Row rows[] = {
      {"a private XDG_RUNTIME_DIR",
       [&] {
         fs::create_directories(temporary / "xdg");
         fs::permissions(temporary / "xdg", fs::perms::owner_all);
         setenv("XDG_RUNTIME_DIR", (temporary / "xdg").c_str(), 1);
       },
       temporary / "xdg", ""},
      {"a shared XDG_RUNTIME_DIR, no directory of our own yet",
       [&] { setenv("XDG_RUNTIME_DIR", temporary.c_str(), 1); }, own, ""},
      {"our own directory opened up to others",
       [&] { fs::create_directory(own), fs::permissions(own, fs::perms::all); }, std::nullopt,
       "has mode 0777: others may enter it"},
      {"a link in our directory's place", [&] { fs::create_directory_symlink(temporary, own); },
       std::nullopt, "is no directory"},
      {"another user's directory in our directory's place",
       [&] { fs::create_directory(own), chown(own.c_str(), 65534, 65534); }, std::nullopt,
       "belongs to uid 65534, not to this user", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    if (row.needsRoot && geteuid() != 0) {
      std::cout << "skipped \"" << row.legend << "\": another user's directory needs root\n";
      continue;
    }
    fs::remove_all(temporary);
    fs::create_directories(temporary);
    fs::permissions(temporary, fs::perms::all | fs::perms::sticky_bit);
    setenv("TMPDIR", temporary.c_str(), 1);
    unsetenv("XDG_RUNTIME_DIR");
    row.prepare();
    std::string why;
    const auto used = PrivateRunDirectory(why);
    EXPECT_EQ(used ? std::optional<fs::path>(*used) : std::nullopt, row.used);
    EXPECT_NE(why.find(row.why), std::string::npos) << why;
    if (used) {
      EXPECT_EQ(fs::status(*used).permissions(), fs::perms::owner_all);
    }
  }
  fs::remove_all(temporary);
  unsetenv("TMPDIR");
}

TEST(RunDirectoryTest, DisplaysOfOneScreenShareTheirName) {
  const std::pair<const char*, const char*> rows[] = {
      {":56", ":56"}, {":56.0", ":56"}, {"host:10.2", "host:10"}, {"", ""}, {"odd:x.1", "odd:x.1"}};
  for (const auto& [display, normalised] : rows) {
    EXPECT_EQ(NormalisedDisplay(display), normalised) << display;
  }
}

}  // namespace
}  // namespace tavrel
