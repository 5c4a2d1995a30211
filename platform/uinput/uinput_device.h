#pragma once

#include <functional>
#include <string>

struct libevdev;
struct libevdev_uinput;

namespace tavrel {

// One virtual input device made through the kernel's uinput, as the desktop, the console and the
// login screen see a real one. The device goes when the object does.
class UinputDevice {
 public:
  // Gives the new device its capabilities.
  using Describe = std::function<void(libevdev* device)>;
  static constexpr const char* kControlNode = "/dev/uinput";

  UinputDevice(const std::string& name, const Describe& describe,
               const std::string& controlNode = kControlNode);
  ~UinputDevice();
  UinputDevice(const UinputDevice&) = delete;
  UinputDevice& operator=(const UinputDevice&) = delete;

  bool IsOpen() const { return uinput_ != nullptr; }
  // Why the device could not be made, starting "no access to /dev/uinput: " when the control
  // node could not be opened.
  const std::string& Error() const { return error_; }
  // The device's event node (/dev/input/eventN); empty when the kernel has not made one.
  std::string EventNode() const;

  // One event of the frame under way; a failed write is dropped, as the desktop drops input.
  void Emit(unsigned int type, unsigned int code, int value);
  // Ends the frame: what was emitted since the last one reaches the readers together.
  void Sync();
  // The descriptor the kernel writes the device's LED changes to, or -1.
  int ControlDescriptor() const;

 private:
  libevdev* evdev_ = nullptr;
  libevdev_uinput* uinput_ = nullptr;
  int fd_ = -1;
  std::string error_;
};

}  // namespace tavrel
