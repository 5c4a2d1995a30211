#include "platform/cross_thread_calls.h"

#include <gtest/gtest.h>

#include <future>
#include <semaphore>
#include <string>

namespace tavrel {
namespace {

// The calls run on the thread that runs RunPending, in order; a Stop releases the callers still
// queued without running their calls, and later calls return at once.
TEST(CrossThreadCallsTest, RunsQueuedCallsInOrderAndStopReleasesTheRest) {
  CrossThreadCalls calls;
  std::binary_semaphore woken{0};
  const auto wake = [&] { woken.release(); };
  std::string ran;
  auto first = std::async(std::launch::async, [&] { calls.Run([&] { ran += "a"; }, wake); });
  woken.acquire();
  calls.RunPending();
  first.get();
  EXPECT_EQ(ran, "a");

  auto dropped = std::async(std::launch::async, [&] { calls.Run([&] { ran += "b"; }, wake); });
  woken.acquire();
  calls.Stop();
  dropped.get();
  calls.RunPending();
  calls.Run([&] { ran += "c"; }, wake);
  EXPECT_EQ(ran, "a");
}

}  // namespace
}  // namespace tavrel
