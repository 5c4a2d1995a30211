#include "platform/uinput/uinput_device.h"

#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavrel {

UinputDevice::UinputDevice(const std::string& name, const Describe& describe,
                           const std::string& controlNode) {
  // Non-blocking, so that reading the LED changes back never waits.
  fd_ = ::open(controlNode.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) {
    error_ = "no access to " + controlNode + ": " + std::strerror(errno);
    return;
  }
  evdev_ = libevdev_new();
  libevdev_set_name(evdev_, name.c_str());
  libevdev_set_id_bustype(evdev_, BUS_VIRTUAL);
  describe(evdev_);
  const int result = libevdev_uinput_create_from_device(evdev_, fd_, &uinput_);
  if (result != 0) {
    uinput_ = nullptr;
    error_ = "the kernel refused the virtual device " + name + ": " + std::strerror(-result);
  }
}

UinputDevice::~UinputDevice() {
  if (uinput_ != nullptr) libevdev_uinput_destroy(uinput_);
  if (evdev_ != nullptr) libevdev_free(evdev_);
  if (fd_ >= 0) ::close(fd_);
}

std::string UinputDevice::EventNode() const {
  const char* node = uinput_ != nullptr ? libevdev_uinput_get_devnode(uinput_) : nullptr;
  return node != nullptr ? node : "";
}

void UinputDevice::Emit(unsigned int type, unsigned int code, int value) {
  if (uinput_ != nullptr) libevdev_uinput_write_event(uinput_, type, code, value);
}

void UinputDevice::Sync() { Emit(EV_SYN, SYN_REPORT, 0); }

int UinputDevice::ControlDescriptor() const { return uinput_ != nullptr ? fd_ : -1; }

}  // namespace tavrel
