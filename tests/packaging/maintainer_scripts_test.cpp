// The package's maintainer scripts against a scratch root (dpkg passes the root in DPKG_ROOT).
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "tests/packaging/package_test_support.h"

namespace tavrel::packaging {
namespace {

struct Step {
  const char* script;  // postinst or postrm
  const char* action;  // dpkg's first argument
};

enum class Expect { kGone, kKept, kKeptWithSettings };

TEST(MaintainerScriptsTest, MachineDirectoryIsMadeForDialoutAndGoesOnlyOnPurge) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving the directory to root:dialout needs root";
  const group* dialout = ::getgrnam("dialout");
  ASSERT_NE(dialout, nullptr) << "no group dialout on this machine";
  struct Row {
    const char* legend;
    bool settingsBefore;  // a directory with a settings file exists before the steps
    std::vector<Step> steps;
    Expect expect;
  };
  const Row rows[] = {
      {"configure makes the directory", false, {{"postinst", "configure"}}, Expect::kKept},
      {"configure over a directory made by hand keeps its settings and mends its mode",
       true,
       {{"postinst", "configure"}},
       Expect::kKeptWithSettings},
      {"remove keeps the directory and the settings",
       true,
       {{"postinst", "configure"}, {"postrm", "remove"}},
       Expect::kKeptWithSettings},
      {"an upgrade keeps them",
       true,
       {{"postrm", "upgrade"}, {"postinst", "configure"}},
       Expect::kKeptWithSettings},
      {"purge after remove takes the directory and the settings",
       true,
       {{"postinst", "configure"}, {"postrm", "remove"}, {"postrm", "purge"}},
       Expect::kGone},
      {"purge with nothing left is no failure", false, {{"postrm", "purge"}}, Expect::kGone},
      {"other actions of postinst change nothing",
       false,
       {{"postinst", "abort-remove"}},
       Expect::kGone},
  };
  for (const Row& row : rows) {
    ScratchRoot root;
    ScratchRoot work;
    const fs::path dir = root.Path() / "var/lib/tavrel";
    if (row.settingsBefore) {
      fs::create_directories(dir);
      fs::permissions(dir, fs::perms(0755));
      std::ofstream(dir / "settings.reg") << "Windows Registry Editor Version 5.00\n";
    }
    for (const Step& step : row.steps) {
      const RunResult got =
          RunCommand("DPKG_ROOT='" + root.Path().string() + "' '" TAVREL_PACKAGING_DIR "/" +
                         step.script + "' " + step.action,
                     work.Path() / "script.log");
      EXPECT_EQ(got.status, 0) << row.legend << ": " << step.script << " " << step.action << "\n"
                               << got.output;
    }
    struct stat info {};
    const bool exists = ::stat(dir.c_str(), &info) == 0;
    ASSERT_EQ(exists, row.expect != Expect::kGone) << row.legend;
    if (!exists) continue;
    EXPECT_TRUE(S_ISDIR(info.st_mode)) << row.legend;
    EXPECT_EQ(info.st_mode & 07777, 02775u) << row.legend;
    EXPECT_EQ(info.st_uid, 0u) << row.legend;
    EXPECT_EQ(info.st_gid, dialout->gr_gid) << row.legend;
    EXPECT_EQ(fs::exists(dir / "settings.reg"), row.expect == Expect::kKeptWithSettings)
        << row.legend;
  }
}

}  // namespace
}  // namespace tavrel::packaging
