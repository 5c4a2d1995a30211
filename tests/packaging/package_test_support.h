#pragma once

// What the install and maintainer-script tests share: a scratch root and running a command line.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tavrel::packaging {

namespace fs = std::filesystem;

// A fresh directory under the temporary folder, removed with the object.
class ScratchRoot {
 public:
  ScratchRoot() {
    std::string pattern = (fs::temp_directory_path() / "tavrel-root-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchRoot() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  ScratchRoot(const ScratchRoot&) = delete;
  ScratchRoot& operator=(const ScratchRoot&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

inline std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct RunResult {
  int status = -1;
  std::string output;  // standard output and standard error together
};

// Runs a shell command line, its output collected in a file next to the scratch root.
inline RunResult RunCommand(const std::string& command, const fs::path& outputFile) {
  const int raw = std::system((command + " >'" + outputFile.string() + "' 2>&1").c_str());
  RunResult result;
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  result.output = Slurp(outputFile);
  return result;
}

}  // namespace tavrel::packaging
