#include "app/wayland_notice.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "testing/fake_log_sink.h"
#include "testing/fake_settings_store.h"
#include "testing/fake_window_service.h"

namespace tavrel {
namespace {

using Variables = std::map<std::string, std::string>;

wayland_notice::Environment From(const Variables& variables) {
  return [&variables](const char* name) -> const char* {
    auto it = variables.find(name);
    return it == variables.end() ? nullptr : it->second.c_str();
  };
}

TEST(WaylandNoticeTest, ShownOncePerMachineOnlyInAWaylandSession) {
  struct Row {
    const char* legend;
    Variables environment;
    bool failingWrite;
    int boxes;  // over two starts
    int logged;
  };
  const Row rows[] = {
      {"X11 session", {{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, false, 0, 0},
      {"empty WAYLAND_DISPLAY", {{"WAYLAND_DISPLAY", ""}}, false, 0, 0},
      {"session type wayland", {{"XDG_SESSION_TYPE", "wayland"}}, false, 1, 2},
      {"WAYLAND_DISPLAY set", {{"WAYLAND_DISPLAY", "wayland-0"}}, false, 1, 2},
      {"the flag cannot be stored: shown each time", {{"XDG_SESSION_TYPE", "wayland"}}, true, 2, 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeLogSink logged;
    FakeSettingsStore store;
    store.Open();
    if (row.failingWrite) store.failingWrites.insert(wayland_notice::kShownValue);
    FakeWindowService windows;
    for (int start = 0; start < 2; ++start) {
      wayland_notice::ShowOnce(store, windows, From(row.environment), false);
    }
    const auto messages = windows.Messages();
    ASSERT_EQ(static_cast<int>(messages.size()), row.boxes);
    for (const auto& message : messages) {
      EXPECT_EQ(message.caption, "Tavrel");
      EXPECT_NE(message.text.find("X11"), std::string::npos);
    }
    EXPECT_EQ(static_cast<int>(logged.Lines().size()), row.logged);
    EXPECT_EQ(store.Values().contains(wayland_notice::kShownValue), row.boxes == 1);
  }
}

}  // namespace
}  // namespace tavrel
