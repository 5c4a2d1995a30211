#pragma once

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
  std::string out;  // for standard output
  std::string err;  // for standard error
};

// "NAME VERSION" on one line, the version being the project's.
std::string VersionLine(std::string_view program);

// The rules of a program that takes no arguments of its own: "--help" prints the help text,
// "--version" the version line; any other argument, or more than one, is refused with a one-line
// usage on standard error and status 2.
CommandLineOutcome ParseCommandLine(std::string_view program, std::string_view help,
                                    std::span<const std::string_view> args);

// The help text of the program tavrel, with the lines that say where its settings (and log)
// live on this desktop, and the option lines of what its installer runs it for, if any.
std::string TavrelHelp(std::string_view whereItKeepsThings, std::string_view installerOptions = {});

// main's arguments after the program's name.
std::vector<std::string_view> ArgumentsAfterName(int argc, char** argv);

// ParseCommandLine on main's arguments, its texts printed: the status to end with, or nothing
// when the program runs.
std::optional<int> HandleCommandLine(std::string_view program, std::string_view help, int argc,
                                     char** argv);

}  // namespace tavrel
