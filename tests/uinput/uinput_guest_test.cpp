// The virtual-device back ends on a real kernel (run inside the QEMU guest by qemu_test.sh): the
// devices as the kernel shows them, the events a reader gets, and the program end to end.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libevdev/libevdev.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "keyboard/virtual_keyboard.h"
#include "platform/uinput/uinput_key_service.h"
#include "platform/uinput/uinput_pointer_service.h"
#include "platform/uinput/xkbcommon_layout.h"
#include "platform/windowless_service.h"
#include "resources/resource_ids.h"
#include "settings/corners.h"
#include "testing/child_process.h"
#include "testing/program_rig.h"
#include "tools/sim/controller_emulator.h"
#include "touch/calibration_transform.h"
#include "touch/touch_report.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;

struct Event {
  unsigned int type, code;
  int value;
  bool operator==(const Event&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Event& e) {
  return out << libevdev_event_code_get_name(e.type, e.code) << " " << e.value;
}
const Event kSyn{EV_SYN, SYN_REPORT, 0};

// A reader of one event node, as the desktop's input stack reads it.
class Reader {
 public:
  explicit Reader(const std::string& node) : fd_(::open(node.c_str(), O_RDONLY | O_NONBLOCK)) {
    if (fd_ >= 0 && libevdev_new_from_fd(fd_, &dev_) != 0) dev_ = nullptr;
  }
  ~Reader() {
    if (dev_ != nullptr) libevdev_free(dev_);
    if (fd_ >= 0) ::close(fd_);
  }
  libevdev* Device() const { return dev_; }
  // Everything queued so far; the kernel queues an event before the write that made it returns.
  // Blocking: up to the device's removal.
  std::vector<Event> Take(bool untilGone = false) {
    if (untilGone) ::fcntl(fd_, F_SETFL, 0);
    std::vector<Event> events;
    input_event e;
    int rc;
    while ((rc = libevdev_next_event(dev_, LIBEVDEV_READ_FLAG_NORMAL, &e)) >= 0) {
      events.push_back({e.type, e.code, e.value});
    }
    return events;
  }
  bool Down(unsigned int code) const { return libevdev_get_event_value(dev_, EV_KEY, code) != 0; }

 private:
  int fd_;
  libevdev* dev_ = nullptr;
};

MouseInput Move(int32_t x, int32_t y) { return {x, y, 0, kMouseMove | kMouseAbsolute, 0, 0}; }
MouseInput Button(uint32_t flags) { return {0, 0, 0, flags, 0, 0}; }

TEST(UinputPointerTest, IsAnAbsolutePointerOverTheWholeRange) {
  UinputPointerService pointer;
  ASSERT_TRUE(pointer.IsOpen()) << pointer.Error();
  Reader reader(pointer.EventNode());
  ASSERT_NE(reader.Device(), nullptr) << pointer.EventNode();
  libevdev* dev = reader.Device();
  EXPECT_STREQ(libevdev_get_name(dev), "Tavrel touch pointer");
  struct Row {
    const char* legend;
    unsigned int type, code;
    bool present;
  };
  const Row rows[] = {
      {"ABS_X", EV_ABS, ABS_X, true},
      {"ABS_Y", EV_ABS, ABS_Y, true},
      {"BTN_LEFT", EV_KEY, BTN_LEFT, true},
      {"BTN_RIGHT", EV_KEY, BTN_RIGHT, true},
      {"no relative axes", EV_REL, REL_X, false},
      {"no touch: a pointer, not a touch screen", EV_KEY, BTN_TOUCH, false},
      {"no pen: not a tablet tool", EV_KEY, BTN_TOOL_PEN, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(libevdev_has_event_code(dev, row.type, row.code) != 0, row.present) << row.legend;
  }
  for (const unsigned int axis : {ABS_X, ABS_Y}) {
    EXPECT_EQ(libevdev_get_abs_minimum(dev, axis), 0);
    EXPECT_EQ(libevdev_get_abs_maximum(dev, axis), 65535);
  }
  EXPECT_FALSE(libevdev_has_property(dev, INPUT_PROP_DIRECT));
}

TEST(UinputPointerTest, TapDragAndRightClickAreTheseEvents) {
  // Two monitors side by side, the primary on the right: 0..65535 spans it alone.
  const DesktopGeometry twoMonitors{{0, 0, 2048, 768}, {1024, 0, 1024, 768}};
  struct Row {
    const char* legend;
    DesktopGeometry geometry;
    std::vector<MouseInput> sent;
    std::vector<Event> read;
  };
  const Row rows[] = {
      {"a tap: the lift at the same place moves nothing, so only the buttons follow",
       {},
       {Move(1000, 2000), Button(kMouseLeftDown), Move(1000, 2000), Button(kMouseLeftUp)},
       {{EV_ABS, ABS_X, 1000},
        {EV_ABS, ABS_Y, 2000},
        kSyn,
        {EV_KEY, BTN_LEFT, 1},
        kSyn,
        {EV_KEY, BTN_LEFT, 0},
        kSyn}},
      {"a drag: moves between press and release, one axis alone where the other stays",
       {},
       {Move(100, 100), Button(kMouseLeftDown), Move(300, 100), Move(300, 500),
        Button(kMouseLeftUp)},
       {{EV_ABS, ABS_X, 100},
        {EV_ABS, ABS_Y, 100},
        kSyn,
        {EV_KEY, BTN_LEFT, 1},
        kSyn,
        {EV_ABS, ABS_X, 300},
        kSyn,
        {EV_ABS, ABS_Y, 500},
        kSyn,
        {EV_KEY, BTN_LEFT, 0},
        kSyn}},
      {"a right click",
       {},
       {Move(65535, 0), Button(kMouseRightDown), Button(kMouseRightUp)},
       {{EV_ABS, ABS_X, 65535}, kSyn, {EV_KEY, BTN_RIGHT, 1}, kSyn, {EV_KEY, BTN_RIGHT, 0}, kSyn}},
      {"beyond the range: held at its edges",
       {},
       {Move(500, 500), Move(-50, 70000)},
       {{EV_ABS, ABS_X, 500},
        {EV_ABS, ABS_Y, 500},
        kSyn,
        {EV_ABS, ABS_X, 0},
        {EV_ABS, ABS_Y, 65535},
        kSyn}},
      {"primary on the right of two: the middle of pixel 1024 + 512 of 2048, and of row 384",
       twoMonitors,
       {Move(32768, 32768)},
       {{EV_ABS, ABS_X, 49168}, {EV_ABS, ABS_Y, 32810}, kSyn}},
      {"primary on the right of two: its left edge is the desktop's middle pixel",
       twoMonitors,
       {Move(0, 65535)},
       {{EV_ABS, ABS_X, 32784}, {EV_ABS, ABS_Y, 65493}, kSyn}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    const DesktopGeometry geometry = row.geometry;
    UinputPointerService pointer([geometry] { return geometry; });
    ASSERT_TRUE(pointer.IsOpen()) << pointer.Error();
    Reader reader(pointer.EventNode());
    for (const MouseInput& input : row.sent) EXPECT_EQ(pointer.SendInput(input), 1u);
    EXPECT_EQ(reader.Take(), row.read);
  }
}

std::vector<Event> Keys(std::initializer_list<std::pair<unsigned int, int>> keys) {
  std::vector<Event> events;
  for (const auto& [code, value] : keys) {
    events.push_back({EV_KEY, code, value});
    events.push_back(kSyn);
  }
  return events;
}

TEST(UinputKeyTest, TheOnScreenKeyboardTypesTheLayoutsKeys) {
  struct Row {
    const char* legend;
    const char* layout;
    std::function<void(VirtualKeyboard&)> typed;
    std::vector<Event> read;
  };
  const Row rows[] = {
      {"\"@\" on US: Shift around the 2, the level that has it", "us",
       [](VirtualKeyboard& k) { k.SendKey('@', false); },
       Keys({{KEY_LEFTSHIFT, 1}, {KEY_2, 1}, {KEY_2, 0}, {KEY_LEFTSHIFT, 0}})},
      {"\"@\" on German: right Alt (AltGr) around the Q", "de",
       [](VirtualKeyboard& k) { k.SendKey('@', false); },
       Keys({{KEY_RIGHTALT, 1}, {KEY_Q, 1}, {KEY_Q, 0}, {KEY_RIGHTALT, 0}})},
      {"Shift, then Q on US: Shift held over the letter, released after it", "us",
       [](VirtualKeyboard& k) {
         k.OnShift();
         k.SendKey('Q', false);
       },
       Keys({{KEY_LEFTSHIFT, 1}, {KEY_Q, 1}, {KEY_Q, 0}, {KEY_LEFTSHIFT, 0}})},
      {"Q on French: the key a US keyboard calls A", "fr",
       [](VirtualKeyboard& k) { k.SendKey('Q', false); }, Keys({{KEY_A, 1}, {KEY_A, 0}})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    XkbCommonLayout layout({"pc105", row.layout, "", ""});
    ASSERT_TRUE(layout.IsValid()) << "no keyboard data";
    UinputKeyService keys(layout);
    ASSERT_TRUE(keys.IsOpen()) << keys.Error();
    Reader reader(keys.EventNode());
    WindowlessService windows;
    VirtualKeyboard keyboard(windows, keys, resource_id::kKeyboardDialog);
    row.typed(keyboard);
    EXPECT_EQ(reader.Take(), row.read);
  }
}

// Reads until the device is gone, at a real-time priority on the guest's one processor: woken by
// each frame, it runs before the writer's next call, so it sees every frame before the removal.
std::vector<Event> ReadUntilGone(Reader& reader, const std::function<void()>& close) {
  std::vector<Event> events;
  std::thread thread([&] { events = reader.Take(true); });
  sched_param priority{50};
  EXPECT_EQ(pthread_setschedparam(thread.native_handle(), SCHED_FIFO, &priority), 0);
  close();
  thread.join();
  return events;
}

TEST(UinputCloseTest, NothingStaysPressedOnceTheDevicesGo) {
  XkbCommonLayout layout({"pc105", "us", "", ""});
  auto pointer = std::make_unique<UinputPointerService>();
  auto keys = std::make_unique<UinputKeyService>(layout);
  ASSERT_TRUE(pointer->IsOpen() && keys->IsOpen());
  Reader pointerReader(pointer->EventNode()), keyReader(keys->EventNode());
  pointer->SendInput(Button(kMouseLeftDown | kMouseRightDown));
  keys->KeyEvent(vk::kShift, false);
  keys->KeyEvent(vk::kControl, false);
  struct Row {
    const char* legend;
    Reader& reader;
    std::function<void()> close;
    std::vector<unsigned int> held;
  };
  const Row rows[] = {
      {"pointer", pointerReader, [&] { pointer.reset(); }, {BTN_LEFT, BTN_RIGHT}},
      {"keyboard", keyReader, [&] { keys.reset(); }, {KEY_LEFTSHIFT, KEY_LEFTCTRL}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    row.reader.Take();
    for (const unsigned int code : row.held) ASSERT_TRUE(row.reader.Down(code));
    const std::vector<Event> read = ReadUntilGone(row.reader, row.close);
    for (const unsigned int code : row.held) EXPECT_FALSE(row.reader.Down(code)) << code;
    EXPECT_FALSE(read.empty());
  }
}

// The node of the device with this name, once the kernel has made it.
std::optional<std::string> NodeNamed(const std::string& name) {
  std::optional<std::string> found;
  WaitFor(
      [&] {
        for (const auto& entry : std::filesystem::directory_iterator("/dev/input")) {
          if (entry.path().filename().string().rfind("event", 0) != 0) continue;
          Reader reader(entry.path());
          if (reader.Device() && name == libevdev_get_name(reader.Device())) {
            found = entry.path();
            return true;
          }
        }
        return false;
      },
      20s);
  return found;
}

TEST(WindowlessProgramTest, ATapFromTheControllerBecomesTheTransformsEvents) {
  const char* program = std::getenv("TAVREL_PROGRAM");
  ASSERT_NE(program, nullptr);
  const std::string machine = "/tmp/machine", output = "/tmp/tavrel.log";
  std::filesystem::create_directories(machine + "/ports");
  sim::EmulatorOptions options;
  options.machineDir = machine;
  options.pace = false;
  sim::ControllerEmulator emulator(options);
  ASSERT_TRUE(emulator.Start()) << emulator.Error();
  Child tavrel({program, "--no-window"}, {"TAVREL_MACHINE_DIR=" + machine}, output);
  ASSERT_GT(tavrel.Pid(), 0);
  const auto node = NodeNamed(UinputPointerService::kDeviceName);
  ASSERT_TRUE(node) << FileText(output);
  Reader reader(*node);
  ASSERT_TRUE(
      WaitFor([&] { return FileText(output).find("calibration read") != std::string::npos; }, 20s))
      << FileText(output);

  struct Row {
    const char* legend;
    int32_t rawX, rawY;
  };
  const Row rows[] = {{"the middle", 1000, 1000}, {"near the right-bottom corner", 1700, 1900}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    const AbsolutePoint at =
        ToAbsolutePointer(ApplyCalibration(FactoryCorners(), row.rawX, row.rawY));
    const std::vector<Event> expected = {{EV_ABS, ABS_X, std::clamp(at.x, 0, 65535)},
                                         {EV_ABS, ABS_Y, std::clamp(at.y, 0, 65535)},
                                         kSyn,
                                         {EV_KEY, BTN_LEFT, 1},
                                         kSyn,
                                         {EV_KEY, BTN_LEFT, 0},
                                         kSyn};
    emulator.Report(kStatusTouching, row.rawX, row.rawY);
    emulator.Report(kStatusReleased, row.rawX, row.rawY);
    std::vector<Event> read;
    WaitFor(
        [&] {
          for (const Event& e : reader.Take()) read.push_back(e);
          return read.size() >= expected.size();
        },
        20s);
    EXPECT_EQ(read, expected) << FileText(output);
  }
  ::kill(tavrel.Pid(), SIGTERM);
  EXPECT_EQ(tavrel.Wait(20s), std::optional<int>(0)) << FileText(output);
  std::cout << "program's log:\n" << FileText(output);
}

}  // namespace
}  // namespace tavrel
