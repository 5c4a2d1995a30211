#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/linux/system_log_sink.h"
#include "testing/fake_log_sink.h"

namespace tavrel {
namespace {

using Lines = std::vector<std::string>;

TEST(LogTest, LevelsDecideWhatReachesTheSink) {
  struct Case {
    const char* legend;
    LogLevel level;
    Lines expected;
  } cases[] = {
      {"info level drops the protocol exchanges", LogLevel::kInfo, {"port COM5 found"}},
      {"debug level keeps both", LogLevel::kDebug, {"port COM5 found", "sent 0x0A"}},
  };
  for (const Case& c : cases) {
    FakeLogSink sink(c.level);
    log::Info("port COM5 found");
    log::Debug("sent 0x0A");
    EXPECT_EQ(sink.Lines(), c.expected) << c.legend;
  }
  // Without a sink nothing is written and nothing fails.
  EXPECT_FALSE(log::Enabled(LogLevel::kInfo));
  log::Info("dropped");
}

TEST(LogTest, SystemSinkWritesOneLinePerCallToStandardError) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const int saved = ::dup(STDERR_FILENO);
  ::dup2(fds[1], STDERR_FILENO);
  {
    SystemLogSink sink("tavrel-test");
    sink.Write(LogLevel::kInfo, "controller found on COM5");
    sink.Write(LogLevel::kDebug, "answer 0x0A");
  }
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  ::close(fds[1]);
  std::string text(256, '\0');
  text.resize(static_cast<size_t>(::read(fds[0], text.data(), text.size())));
  ::close(fds[0]);
  EXPECT_EQ(text, "tavrel: controller found on COM5\ntavrel: answer 0x0A\n");
}

TEST(LogTest, LevelComesFromTheEnvironment) {
  struct Case {
    const char* value;
    LogLevel expected;
  } cases[] = {{"debug", LogLevel::kDebug}, {"info", LogLevel::kInfo}, {"", LogLevel::kInfo}};
  for (const Case& c : cases) {
    ::setenv("TAVREL_LOG", c.value, 1);
    EXPECT_EQ(log::LevelFromEnvironment(), c.expected) << c.value;
  }
  ::unsetenv("TAVREL_LOG");
  EXPECT_EQ(log::LevelFromEnvironment(), LogLevel::kInfo);
}

// What a device or a file says can neither start a line of its own nor drive the terminal.
TEST(LogTest, LinesStayOneLineOfPrintableText) {
  const std::pair<const char*, const char*> rows[] = {
      {"model TV\ntavrel: exit status 0", "model TV\\x0atavrel: exit status 0"},
      {"\x1b[2J\xc2\x9b\xff\xed\xa0\x80", "\\x1b[2J\\xc2\\x9b\\xff\\xed\\xa0\\x80"},
      {"Gr\xc3\xbc\xc3\x9f \xf0\x9f\x98\x80", "Gr\xc3\xbc\xc3\x9f \xf0\x9f\x98\x80"},
  };
  FakeLogSink sink;
  for (const auto& [input, expected] : rows) {
    log::Info(input);
    EXPECT_EQ(sink.Lines().back(), expected);
  }
}

}  // namespace
}  // namespace tavrel
