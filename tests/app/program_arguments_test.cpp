#include "app/program_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrel {
namespace {

using Argv = std::vector<const char*>;

// Whatever the program is started with, the toolkit gets at least a name and the title a path.
TEST(ProgramArgumentsTest, AnyArgumentVectorGivesANameAndAPath) {
  struct Row {
    const char* legend;
    Argv argv;  // without the closing null
    int argc;
    int count;
    std::string first, path;
  };
  const Row rows[] = {
      {"an empty vector", {}, 0, 1, "tavrel", ""},
      {"a count that claims a name the vector lacks", {}, 1, 1, "tavrel", ""},
      {"an empty name", {""}, 1, 1, "", ""},
      {"a path", Argv{"/opt/tavrel/bin/tavrel"}, 1, 1, "/opt/tavrel/bin/tavrel",
       "/opt/tavrel/bin/tavrel"},
      {"more arguments stay", {"tavrel.exe", "-x"}, 2, 2, "tavrel.exe", "tavrel.exe"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    std::vector<std::string> texts(row.argv.begin(), row.argv.end());
    std::vector<char*> argv;
    for (auto& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    ProgramArguments arguments(row.argc, argv.data());
    ASSERT_EQ(arguments.Count(), row.count);
    ASSERT_NE(arguments.Values()[0], nullptr);
    EXPECT_EQ(arguments.Values()[0], row.first);
    EXPECT_EQ(arguments.Values()[arguments.Count()], nullptr);
    EXPECT_EQ(arguments.Path(), row.path);
  }
}

}  // namespace
}  // namespace tavrel
