#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "settings/touch_settings.h"
#include "testing/event_log.h"
#include "testing/fake_pointer_service.h"
#include "testing/fake_settings_store.h"
#include "testing/fake_system_parameters.h"
#include "testing/fake_tone_service.h"
#include "testing/fake_window_service.h"
#include "touch/report_decoder.h"

namespace tavrel {

using Bytes = std::vector<uint8_t>;

// What the program around the link holds: the settings on a fake store, and a decoder whose
// pointer events are recorded.
// Every point of a continuing touch passes the movement filter, so each report is seen.
struct ProgramSide {
  // Keeps the latest `keep` events.
  explicit ProgramSide(size_t keep = 1 << 20) : log(keep) {
    settings.SetClickBoxWidth(0), settings.SetClickBoxHeight(0);
  }

  FakeSettingsStore store;
  FakeSystemParameters system;
  FakeWindowService windows;
  TouchSettings settings{{store, system, windows}};
  EventLog log;
  FakePointerService pointer{log};
  FakeToneService tone{log};
  ReportDecoder decoder{settings, pointer, tone};
};

// The events that the reports give when handed to a decoder directly, one by one, with the
// calibration of `like` when given.
inline std::vector<std::string> EventsOf(const std::vector<Bytes>& reports,
                                         const TouchSettings* like = nullptr) {
  ProgramSide reference;
  if (like) reference.settings.SetCorners(like->GetCorners());
  for (const Bytes& report : reports) {
    reference.decoder.DecodeReport(report.data(), static_cast<uint32_t>(report.size()), 0);
  }
  return reference.log.Descriptions();
}

// Polls until the condition holds; false when the time runs out.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace tavrel
