#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tavrel {

// A private Xvfb for tests and benchmarks, on a display number the server picks itself
// (-displayfd), so that parallel runs never clash. Stopped when the object goes.
class XvfbServer {
 public:
  // extraArguments go to Xvfb as they are, e.g. {"-extension", "XTEST"} to do without XTest.
  XvfbServer(int width, int height, const std::vector<std::string>& extraArguments = {});
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // ":N" once the server accepts connections; empty if it could not be started.
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace tavrel
