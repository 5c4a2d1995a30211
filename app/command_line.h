#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// What a program does with its command line: run, or end at once with the given status after
// printing the given texts.
struct CommandLineOutcome {
  bool run = true;
  int status = 0;
  std::string out;          // for standard output
  std::string err;          // for standard error
  int32_t waitSeconds = 0;  // --wait: how long start-up keeps looking for the controller
};

// The longest --wait taken: an hour.
inline constexpr int32_t kMaxWaitSeconds = 3600;

// "NAME VERSION" on one line, the version being the project's.
std::string VersionLine(std::string_view program);

// "--help" or "--version" alone, which every program here takes: the help text or the version
// line to print and status 0; nothing for any other arguments.
std::optional<CommandLineOutcome> HelpOrVersion(std::string_view program, std::string_view help,
                                                std::span<const std::string_view> args);

// tavrel's rules: "--help" prints the help text, "--version" the version line, each alone;
// "--wait SECONDS" (0 to kMaxWaitSeconds) runs with that wait; any other argument or combination
// is refused with a one-line usage on standard error and status 2.
CommandLineOutcome ParseCommandLine(std::string_view program, std::string_view help,
                                    std::span<const std::string_view> args);

// The help text of the program tavrel, with the lines that say where its settings (and log)
// live on this desktop, and the lines of the options this desktop's program takes besides.
std::string TavrelHelp(std::string_view whereItKeepsThings, std::string_view moreOptions = "");

// main's arguments after the program's name.
std::vector<std::string_view> ArgumentsAfterName(int argc, char** argv);

// ParseCommandLine on main's arguments, its texts printed.
CommandLineOutcome HandleCommandLine(std::string_view program, std::string_view help, int argc,
                                     char** argv);
// The same on arguments already taken from main's.
CommandLineOutcome HandleCommandLine(std::string_view program, std::string_view help,
                                     std::span<const std::string_view> args);

}  // namespace tavrel
