#include "app/command_line.h"

#include <charconv>
#include <iostream>
#include <optional>

#include "tavrel_version.h"

namespace tavrel {

namespace {
constexpr const char* kOptions = " [--wait SECONDS | --help | --version]\n";
}  // namespace

std::string TavrelHelp(std::string_view whereItKeepsThings, std::string_view moreOptions) {
  return std::string("Usage: tavrel") + kOptions +
         (moreOptions.empty() ? "" : "       tavrel [--wait SECONDS] [OPTION...]\n") +
         "The touch-screen manager: finds the touch controller on its serial port, turns its\n"
         "touches into pointer input and sits in the notification area. Without a controller\n"
         "it says so and ends with status 1.\n" +
         std::string(whereItKeepsThings) +
         "\n"
         "  --wait SECONDS  keep looking for the controller for up to SECONDS (at most " +
         std::to_string(kMaxWaitSeconds) +
         ")\n"
         "                  before giving up, for a start before its USB adapter is ready\n"
         "  --help          show this help and end\n"
         "  --version       show the version and end\n" +
         std::string(moreOptions);
}

std::vector<std::string_view> ArgumentsAfterName(int argc, char** argv) {
  return std::vector<std::string_view>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string VersionLine(std::string_view program) {
  return std::string(program) + " " + kTavrelVersion + "\n";
}

namespace {

// A whole number of seconds from 0 to kMaxWaitSeconds.
std::optional<int32_t> WaitSeconds(std::string_view text) {
  int32_t seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || seconds < 0 ||
      seconds > kMaxWaitSeconds) {
    return std::nullopt;
  }
  return seconds;
}

}  // namespace

std::optional<CommandLineOutcome> HelpOrVersion(std::string_view program, std::string_view help,
                                                std::span<const std::string_view> args) {
  if (args.size() != 1) return std::nullopt;
  if (args[0] == "--help") return CommandLineOutcome{false, 0, std::string(help), ""};
  if (args[0] == "--version") return CommandLineOutcome{false, 0, VersionLine(program), ""};
  return std::nullopt;
}

CommandLineOutcome ParseCommandLine(std::string_view program, std::string_view help,
                                    std::span<const std::string_view> args) {
  if (args.empty()) return {};
  if (auto outcome = HelpOrVersion(program, help, args)) return *outcome;
  if (args.size() == 2 && args[0] == "--wait") {
    if (const auto seconds = WaitSeconds(args[1])) return {true, 0, "", "", *seconds};
  }
  return {false, 2, "", "Usage: " + std::string(program) + kOptions};
}

CommandLineOutcome HandleCommandLine(std::string_view program, std::string_view help, int argc,
                                     char** argv) {
  return HandleCommandLine(program, help, ArgumentsAfterName(argc, argv));
}

CommandLineOutcome HandleCommandLine(std::string_view program, std::string_view help,
                                     std::span<const std::string_view> args) {
  const CommandLineOutcome outcome = ParseCommandLine(program, help, args);
  std::cout << outcome.out;
  std::cerr << outcome.err;
  return outcome;
}

}  // namespace tavrel
