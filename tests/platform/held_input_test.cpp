#include "platform/held_input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace tavrel {
namespace {

// Says on standard error that it was released, which the death test's parent reads.
struct SayingInput : HeldInput {
  void ReleaseHeld() override { std::fputs("released\n", stderr); }
};

// A toolkit that loses its display calls exit(); a fatal error ends in std::terminate.
TEST(HeldInputDeathTest, AnExitOrAFatalErrorReleasesWhatIsStillRegistered) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        SayingInput input;
        held_input::Register(input);
        std::exit(1);
      },
      testing::ExitedWithCode(1), "released");
  EXPECT_DEATH(
      {
        SayingInput input;
        held_input::Register(input);
        std::terminate();
      },
      "released");
  EXPECT_EXIT(
      {
        SayingInput input;
        held_input::Register(input);
        held_input::Unregister(input);
        std::exit(0);
      },
      testing::ExitedWithCode(0), testing::Not(testing::HasSubstr("released")))
      << "a service that went has released already";
}

}  // namespace
}  // namespace tavrel
