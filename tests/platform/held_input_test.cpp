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

// Registers an input that says when it is released (unless it goes first), then ends as told.
void RegisterThen(void (*end)(), bool unregister = false) {
  SayingInput input;
  held_input::Register(input);
  if (unregister) held_input::Unregister(input);
  end();
}

// A toolkit that loses its display calls exit(); a fatal error ends in std::terminate.
TEST(HeldInputDeathTest, AnExitOrAFatalErrorReleasesWhatIsStillRegistered) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(RegisterThen([] { std::exit(1); }), testing::ExitedWithCode(1), "released");
  EXPECT_DEATH(RegisterThen([] { std::terminate(); }), "released");
  EXPECT_EXIT(RegisterThen([] { std::exit(0); }, true), testing::ExitedWithCode(0),
              testing::Not(testing::HasSubstr("released")))
      << "a service that went has released already";
}

}  // namespace
}  // namespace tavrel
