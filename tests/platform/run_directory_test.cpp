#include "platform/linux/run_directory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace tavrel {
namespace {

namespace fs = std::filesystem;

// The single-instance lock lives only where nobody else can put or hold anything.
TEST(RunDirectoryTest, OnlyAPrivateDirectoryOfThisUserIsUsed) {
  const fs::path temporary = fs::temp_directory_path() / ("tavrel-run-" + std::to_string(getpid()));
  const fs::path own = temporary / ("tavrel-" + std::to_string(getuid()));
  const std::pair<const char*, std::function<void()>> rows[] = {
      {"", [] {}},
      {"has mode 0777: others may enter it",
       [&] { fs::create_directory(own), fs::permissions(own, fs::perms::all); }},
      {"belongs to uid 65534",
       [&] {
         if (geteuid() != 0) GTEST_SKIP() << "another user's directory needs root";
         fs::create_directory(own), chown(own.c_str(), 65534, 65534);
       }},
  };
  for (const auto& [why, plant] : rows) {
    fs::remove_all(temporary);
    fs::create_directories(temporary);
    setenv("TMPDIR", temporary.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", "/tmp", 1);  // shared: not used
    plant();
    if (IsSkipped()) break;
    std::string said;
    const auto used = PrivateRunDirectory(said);
    EXPECT_EQ(used.value_or(""), std::string(*why ? "" : own.c_str())) << why;
    EXPECT_NE(said.find(why), std::string::npos) << said;
    EXPECT_TRUE(!used || fs::status(*used).permissions() == fs::perms::owner_all);
  }
  fs::remove_all(temporary);
  EXPECT_EQ(NormalisedDisplay(":56.0"), NormalisedDisplay(":56"));
}

}  // namespace
}  // namespace tavrel
