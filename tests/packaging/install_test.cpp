// The install rules, run as the package runs them (prefix /usr) into a scratch root.
#include <set>
#include <utility>
#include <vector>

#include "tavrel_version.h"
#include "tests/packaging/package_test_support.h"

namespace tavrel::packaging {
namespace {

class InstallTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new ScratchRoot();
    work_ = new ScratchRoot();
    installed_ =
        RunCommand("DESTDIR='" + root_->Path().string() + "' '" TAVREL_CMAKE "' --install '" +
                       std::string(TAVREL_BUILD_DIR) + "' --prefix /usr",
                   work_->Path() / "install.log");
  }
  static void TearDownTestSuite() {
    delete root_;
    delete work_;
  }
  void SetUp() override { ASSERT_EQ(installed_.status, 0) << installed_.output; }
  static fs::path Root() { return root_->Path(); }
  static RunResult RunHere(const std::string& command) {
    return RunCommand(command, work_->Path() / "command.log");
  }

 private:
  static inline ScratchRoot* root_ = nullptr;
  static inline ScratchRoot* work_ = nullptr;
  static inline RunResult installed_;
};

TEST_F(InstallTest, InstallsEveryFileAndNothingElse) {
  struct Row {
    const char* path;
    bool executable;
  };
  const Row rows[] = {
      {"usr/bin/tavrel", true},
      {"usr/bin/tavrel-sim", true},
      {"usr/bin/tavrel-link-probe", true},
      {"usr/share/applications/tavrel.desktop", false},
      {"etc/xdg/autostart/tavrel.desktop", false},
      {"usr/share/icons/hicolor/16x16/apps/tavrel.png", false},
      {"usr/share/icons/hicolor/22x22/apps/tavrel.png", false},
      {"usr/share/icons/hicolor/32x32/apps/tavrel.png", false},
      {"usr/share/icons/hicolor/48x48/apps/tavrel.png", false},
      {"usr/share/man/man1/tavrel.1.gz", false},
      {"usr/share/man/man1/tavrel-sim.1.gz", false},
      {"usr/share/man/man1/tavrel-link-probe.1.gz", false},
      {"usr/share/doc/tavrel/README.md", false},
      {"usr/share/doc/tavrel/copyright", false},
      {"usr/share/doc/tavrel/changelog.gz", false},
      {"usr/share/doc/tavrel/60-tavrel-touch.rules", false},
      {"lib/systemd/system/tavrel.service", false},
      {"lib/udev/rules.d/70-tavrel-uinput.rules", false},
      {"usr/lib/sysusers.d/tavrel.conf", false},
  };
  std::set<std::string> expected;
  for (const Row& row : rows) {
    expected.insert(row.path);
    const fs::path file = Root() / row.path;
    ASSERT_TRUE(fs::is_regular_file(file)) << row.path;
    const bool executable =
        (fs::status(file).permissions() & fs::perms::owner_exec) != fs::perms::none;
    EXPECT_EQ(executable, row.executable) << row.path;
  }
  std::set<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(Root())) {
    if (!entry.is_directory()) found.insert(fs::relative(entry.path(), Root()).string());
  }
  EXPECT_EQ(found, expected);
}

// Width and height from the header of a PNG file; zeros when it is not one.
std::pair<uint32_t, uint32_t> PngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
  const auto word = [&](size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  return {word(16), word(20)};
}

TEST_F(InstallTest, IconsAreDrawnAtTheirFoldersSizeAndCompressedFilesCarryNoTimeStamp) {
  for (uint32_t size : {16u, 22u, 32u, 48u}) {
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    const auto bytes = Slurp(Root() / "usr/share/icons/hicolor" / name / "apps/tavrel.png");
    EXPECT_EQ(PngSize(bytes), std::make_pair(size, size)) << name;
  }
  // gzip keeps a modification time in bytes 4..7 unless told not to; the package must not vary
  // with the build's time.
  for (const char* gz :
       {"usr/share/man/man1/tavrel.1.gz", "usr/share/man/man1/tavrel-sim.1.gz",
        "usr/share/man/man1/tavrel-link-probe.1.gz", "usr/share/doc/tavrel/changelog.gz"}) {
    const auto bytes = Slurp(Root() / gz);
    ASSERT_GE(bytes.size(), 10u) << gz;
    EXPECT_EQ(bytes.substr(0, 2), "\x1f\x8b") << gz;
    EXPECT_EQ(bytes.substr(4, 4), std::string(4, '\0')) << gz;
  }
}

TEST_F(InstallTest, InstalledProgramsAnswerTheirCommandLine) {
  const std::string version = kTavrelVersion;
  struct Row {
    const char* legend;
    std::string command;
    int status;
    std::string output;
  };
  const Row rows[] = {
      {"the program's version", "usr/bin/tavrel --version", 0, "tavrel " + version + "\n"},
      {"the emulator's version", "usr/bin/tavrel-sim --version", 0, "tavrel-sim " + version + "\n"},
      {"the probe's version", "usr/bin/tavrel-link-probe --version", 0,
       "tavrel-link-probe " + version + "\n"},
      {"a stray argument is refused before any window", "usr/bin/tavrel --start", 2,
       "Usage: tavrel [--wait SECONDS | --help | --version]\n"},
      {"the probe refuses tavrel's own options", "usr/bin/tavrel-link-probe --wait 5", 2,
       "Usage: tavrel-link-probe [SECONDS | --help | --version]\n"},
  };
  for (const Row& row : rows) {
    // No display: a refused or answered command line must never get as far as one.
    const RunResult got =
        RunHere("env -u DISPLAY -u WAYLAND_DISPLAY '" + Root().string() + "'/" + row.command);
    EXPECT_EQ(got.status, row.status) << row.legend;
    EXPECT_EQ(got.output, row.output) << row.legend;
  }
}

TEST_F(InstallTest, DesktopEntriesAreValidAndStartTheInstalledProgram) {
  // A session's start may come before the controller's USB adapter is ready.
  const std::pair<const char*, const char*> entries[] = {
      {"usr/share/applications/tavrel.desktop", "\nExec=tavrel\n"},
      {"etc/xdg/autostart/tavrel.desktop", "\nExec=tavrel --wait 30\n"}};
  for (const auto& [entry, exec] : entries) {
    const fs::path file = Root() / entry;
    const RunResult got = RunHere("desktop-file-validate '" + file.string() + "'");
    EXPECT_EQ(got.status, 0) << entry << ": " << got.output;
    EXPECT_EQ(got.output, "") << entry;
    const std::string text = Slurp(file);
    EXPECT_NE(text.find(exec), std::string::npos) << entry;
    EXPECT_NE(text.find("\nIcon=tavrel\n"), std::string::npos) << entry;
    // The autostart entry is a configuration file, so it stays after the package's removal:
    // sessions then skip it rather than fail to start a program that is gone.
    EXPECT_NE(text.find("\nTryExec=tavrel\n"), std::string::npos) << entry;
    EXPECT_EQ(text.find("Hidden=true"), std::string::npos) << entry;
  }
}

}  // namespace
}  // namespace tavrel::packaging
