#include "app/command_line.h"

#include <iostream>

#include "tavrel_version.h"

namespace tavrel {

std::string TavrelHelp(std::string_view whereItKeepsThings, std::string_view installerOptions) {
  const std::string others = installerOptions.empty()
                                 ? "It takes no other\narguments.\n"
                                 : "Its installer uses\nthe options at the end.\n";
  return "Usage: tavrel [--help | --version]\n"
         "The touch-screen manager: finds the touch controller on its serial port, turns its\n"
         "touches into pointer input and sits in the notification area. " +
         others + std::string(whereItKeepsThings) +
         "\n"
         "  --help     show this help and end\n"
         "  --version  show the version and end\n" +
         std::string(installerOptions);
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
  const CommandLineOutcome outcome =
      ParseCommandLine(program, help, ArgumentsAfterName(argc, argv));
  std::cout << outcome.out;
  std::cerr << outcome.err;
  if (outcome.run) return std::nullopt;
  return outcome.status;
}

}  // namespace tavrel
