#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "tavrel_version.h"

namespace tavrel {
namespace {

const std::string kUsage = "Usage: tavrel [--wait SECONDS | --help | --version]\n";
const std::string kVersion = std::string("tavrel ") + kTavrelVersion + "\n";

TEST(CommandLineTest, RunsOnNothingAnswersHelpAndVersionAndRefusesTheRest) {
  struct Row {
    const char* legend;
    std::vector<std::string_view> args;
    CommandLineOutcome expected;
  };
  const Row rows[] = {
      {"no arguments: runs as always", {}, {true, 0, "", ""}},
      {"--help", {"--help"}, {false, 0, "HELP", ""}},
      {"--version", {"--version"}, {false, 0, kVersion, ""}},
      {"an unknown option", {"--verbose"}, {false, 2, "", kUsage}},
      {"a short form is not taken", {"-h"}, {false, 2, "", kUsage}},
      {"a plain word", {"COM5"}, {false, 2, "", kUsage}},
      {"an empty argument", {""}, {false, 2, "", kUsage}},
      {"a near miss", {"--versions"}, {false, 2, "", kUsage}},
      {"Qt's own options are refused too", {"-platform", "offscreen"}, {false, 2, "", kUsage}},
      {"two good ones together", {"--help", "--version"}, {false, 2, "", kUsage}},
      {"a good one followed by a stray", {"--version", "x"}, {false, 2, "", kUsage}},
      {"--wait with seconds: runs", {"--wait", "30"}, {true, 0, "", "", 30}},
      {"--wait 0: one scan", {"--wait", "0"}, {true, 0, "", "", 0}},
      {"--wait up to an hour", {"--wait", "3600"}, {true, 0, "", "", 3600}},
      {"--wait over an hour", {"--wait", "3601"}, {false, 2, "", kUsage}},
      {"--wait negative", {"--wait", "-1"}, {false, 2, "", kUsage}},
      {"--wait not a number", {"--wait", "30s"}, {false, 2, "", kUsage}},
      {"--wait without seconds", {"--wait"}, {false, 2, "", kUsage}},
      {"--wait with --help", {"--wait", "5", "--help"}, {false, 2, "", kUsage}},
  };
  for (const Row& row : rows) {
    const CommandLineOutcome got = ParseCommandLine("tavrel", "HELP", row.args);
    EXPECT_EQ(got.run, row.expected.run) << row.legend;
    EXPECT_EQ(got.status, row.expected.status) << row.legend;
    EXPECT_EQ(got.out, row.expected.out) << row.legend;
    EXPECT_EQ(got.err, row.expected.err) << row.legend;
    EXPECT_EQ(got.waitSeconds, row.expected.waitSeconds) << row.legend;
  }
}

TEST(CommandLineTest, MainArgumentsSkipTheProgramNameAndPrintNothingWhenRunning) {
  struct Row {
    const char* legend;
    std::vector<std::string> argv;
    std::optional<int> status;
    std::string out;
    std::string err;
  };
  const Row rows[] = {
      {"no argv at all", {}, std::nullopt, "", ""},
      {"only the program name", {"tavrel"}, std::nullopt, "", ""},
      {"the version", {"tavrel", "--version"}, 0, kVersion, ""},
      {"the help", {"tavrel", "--help"}, 0, "HELP", ""},
      {"a stray argument", {"tavrel", "stray"}, 2, "", kUsage},
  };
  for (const Row& row : rows) {
    std::vector<std::string> storage = row.argv;
    std::vector<char*> argv;
    for (auto& arg : storage) argv.push_back(arg.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const CommandLineOutcome outcome =
        HandleCommandLine("tavrel", "HELP", static_cast<int>(storage.size()), argv.data());
    const auto status = outcome.run ? std::nullopt : std::optional<int>(outcome.status);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), row.out) << row.legend;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), row.err) << row.legend;
    EXPECT_EQ(status, row.status) << row.legend;
  }
}

}  // namespace
}  // namespace tavrel
