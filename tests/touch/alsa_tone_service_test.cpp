#include "platform/alsa/alsa_tone_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stop_token>
#include <thread>

namespace tavrel {
namespace {

// Whatever happens to the sound, a tone takes its length: the button press waits for it.
TEST(AlsaToneServiceTest, EveryToneTakesItsLength) {
  struct Row {
    const char* legend;
    const char* device;
    uint32_t frequencyHz;
    uint32_t durationMs;
    bool played;
  };
  const Row rows[] = {
      {"no such device: waits instead", "tavrel_no_such_device", 2500, 120, false},
      {"the null device plays", "null", 2500, 120, true},
      {"below 37 Hz nothing sounds", "null", 36, 80, false},
      {"above 32767 Hz nothing sounds", "null", 32768, 80, false},
      {"the extremes sound", "null", 37, 30, true},
      {"a tone of no length", "null", 32767, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    AlsaToneService tone(row.device);
    for (int repeat = 0; repeat < 2; ++repeat) {  // The device is kept for the second tone.
      const auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(tone.Beep(row.frequencyHz, row.durationMs), row.played);
      EXPECT_GE(std::chrono::steady_clock::now() - start,
                std::chrono::milliseconds(row.durationMs));
    }
  }
}

// A tone of any length ends once stop is requested, whenever that comes, and then counts as
// not played.
TEST(AlsaToneServiceTest, AStopCutsAToneOfAnyLengthShort) {
  struct Row {
    const char* legend;
    const char* device;
    bool stopFirst;
  };
  const Row rows[] = {
      {"stopped before it starts", "null", true},
      {"stopped while it sounds", "null", false},
      {"stopped while it only waits", "tavrel_no_such_device", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    AlsaToneService tone(row.device);
    std::stop_source stop;
    if (row.stopFirst) stop.request_stop();
    std::atomic<int> played{-1};
    std::thread player([&] { played = tone.Beep(2500, 0xFFFFFFFF, stop.get_token()); });
    stop.request_stop();
    player.join();
    EXPECT_EQ(played, 0);
  }
}

// A tone on another thread, of any length, never holds up a tone of its own length.
TEST(AlsaToneServiceTest, ATonePlayingElsewhereDoesNotHoldUpAnother) {
  AlsaToneService tone("null");
  std::stop_source stop;
  std::atomic<int> longPlayed{-1};
  std::thread longest([&] { longPlayed = tone.Beep(2500, 0xFFFFFFFF, stop.get_token()); });
  // Whether or not the long tone has the device yet, this one ends after its own length (on the
  // old code it waited for the long one when that came first).
  const auto start = std::chrono::steady_clock::now();
  tone.Beep(2500, 50);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  stop.request_stop();
  longest.join();
  EXPECT_EQ(longPlayed, 0) << "cut short";
}

}  // namespace
}  // namespace tavrel
