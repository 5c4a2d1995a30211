#include "app/command_line.h"

#include <iostream>

#include "tavrel_version.h"

namespace tavrel {

std::string TavrelHelp(std::string_view whereItKeepsThings, std::string_view moreOptions) {
  return "Usage: tavrel [--help | --version" +
         std::string(moreOptions.empty() ? "" : " | OPTION...") +
         "]\n"
         "The touch-screen manager: finds the touch controller on its serial port, turns its\n"
         "touches into pointer input and sits in the notification area. It takes no other\n"
         "arguments than those below.\n" +
         std::string(whereItKeepsThings) +
         "\n"
         "  --help     show this help and end\n"
         "  --version  show the version and end\n" +
         std::string(moreOptions);
}

std::vector<std::string_view> ArgumentsAfterName(int argc, char** argv) {
  return std::vector<std::string_view>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string VersionLine(std::string_view program) {
  return std::string(program) + " " + kTavrelVersion + "\n";
}

CommandLineOutcome ParseCommandLine(std::string_view program, std::string_view help,
                                    std::span<const std::string_view> args) {
  if (args.empty()) return {};
  if (args.size() == 1 && args[0] == "--help") {
    return {false, 0, std::string(help), ""};
  }
  if (args.size() == 1 && args[0] == "--version") return {false, 0, VersionLine(program), ""};
  return {false, 2, "", "Usage: " + std::string(program) + " [--help | --version]\n"};
}

std::optional<int> HandleCommandLine(std::string_view program, std::string_view help, int argc,
                                     char** argv) {
  return HandleCommandLine(program, help, ArgumentsAfterName(argc, argv));
}

std::optional<int> HandleCommandLine(std::string_view program, std::string_view help,
                                     std::span<const std::string_view> args) {
  const CommandLineOutcome outcome = ParseCommandLine(program, help, args);
  std::cout << outcome.out;
  std::cerr << outcome.err;
  if (outcome.run) return std::nullopt;
  return outcome.status;
}

}  // namespace tavrel
