#pragma once

#include <string>

namespace tavrel {

// The command line as the program was started with it, made safe for the toolkit and the title.
// A program may be started with an empty argument vector (argc 0, argv[0] null); Qt needs at
// least the program's name, so a stand-in name takes its place.
class ProgramArguments {
 public:
  static constexpr const char* kStandInName = "tavrel";

  ProgramArguments(int argc, char** argv);
  ProgramArguments(const ProgramArguments&) = delete;
  ProgramArguments& operator=(const ProgramArguments&) = delete;

  // For the toolkit, which may take arguments out.
  int& Count() { return argc_; }
  char** Values() { return argv_; }
  // The program's file as started, "" when the caller named none.
  const std::string& Path() const { return path_; }

 private:
  std::string standIn_ = kStandInName;
  char* standInArgv_[2] = {standIn_.data(), nullptr};
  int argc_;
  char** argv_;
  std::string path_;
};

}  // namespace tavrel
