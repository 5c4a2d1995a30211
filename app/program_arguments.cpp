#include "app/program_arguments.h"

namespace tavrel {

ProgramArguments::ProgramArguments(int argc, char** argv) : argc_(argc), argv_(argv) {
  if (argc_ < 1 || argv_ == nullptr || argv_[0] == nullptr) {
    argc_ = 1;
    argv_ = standInArgv_;
    return;
  }
  path_ = argv_[0];
}

}  // namespace tavrel
