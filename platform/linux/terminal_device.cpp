#include "platform/linux/terminal_device.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <utility>

#include "platform/linux/linux_events.h"

namespace tavrel {

namespace {

constexpr std::array<std::pair<uint32_t, speed_t>, 8> kSpeeds = {{
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
}};
constexpr uint32_t kReadAtOnce = 0xFFFFFFFF;

tcflag_t ByteSizeFlag(uint8_t bits) {
  switch (bits) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

uint8_t ByteSize(tcflag_t flags) {
  switch (flags & CSIZE) {
    case CS5:
      return 5;
    case CS6:
      return 6;
    case CS7:
      return 7;
    default:
      return 8;
  }
}

}  // namespace

TerminalDevice::TerminalDevice(FileDescriptor fd) : fd_(std::move(fd)) {
  termios tio{};
  if (tcgetattr(fd_.Get(), &tio) == 0) found_ = tio;
}

TerminalDevice::~TerminalDevice() {
  // The line goes back as it was found; a hung-up line refuses, and has nothing to restore.
  if (found_) tcsetattr(fd_.Get(), TCSANOW, &*found_);
  // Exclusive mode belongs to the terminal, not to this descriptor: lift it so that the next
  // open succeeds while another holder (the emulator) keeps the terminal alive.
  ioctl(fd_.Get(), TIOCNXCL);
}

bool TerminalDevice::GetLineSettings(LineSettings& settings) {
  termios tio{};
  if (tcgetattr(fd_.Get(), &tio) != 0) return false;
  const speed_t speed = cfgetospeed(&tio);
  settings.baudRate = 0;
  for (const auto& [baud, code] : kSpeeds) {
    if (code == speed) settings.baudRate = baud;
  }
  settings.byteSize = ByteSize(tio.c_cflag);
  settings.parity = (tio.c_cflag & PARENB) ? ((tio.c_cflag & PARODD) ? 1 : 2) : 0;
  settings.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
  return true;
}

bool TerminalDevice::SetLineSettings(const LineSettings& settings) {
  termios tio{};
  if (tcgetattr(fd_.Get(), &tio) != 0) return false;
  speed_t speed = 0;
  for (const auto& [baud, code] : kSpeeds) {
    if (baud == settings.baudRate) speed = code;
  }
  if (speed == 0 || cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) return false;
  // The controller's line is 8-bit binary: no line editing, echo or character translation, and
  // no software flow control, since reports and memory words carry 0x11 and 0x13 bytes that
  // XON/XOFF would swallow (and a received 0x13 would stop the output). Hardware flow control
  // and the modem lines stay as found.
  tio.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL |
                   IUCLC | IXON | IXANY | IXOFF | IMAXBEL | IUTF8);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT | ECHOKE | ICANON | ISIG |
                   IEXTEN | XCASE | NOFLSH | TOSTOP);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
  tio.c_cflag |= CREAD | ByteSizeFlag(settings.byteSize);
  if (settings.parity != 0) tio.c_cflag |= PARENB | (settings.parity == 1 ? PARODD : 0);
  if (settings.stopBits != 0) tio.c_cflag |= CSTOPB;
  return tcsetattr(fd_.Get(), TCSANOW, &tio) == 0;
}

bool TerminalDevice::SetTimeouts(const SerialTimeouts& timeouts) {
  // Only reads that return at once are offered, and writes without a total time-out.
  if (timeouts.readInterval != kReadAtOnce || timeouts.readTotalMultiplier != 0 ||
      timeouts.readTotalConstant != 0 || timeouts.writeTotalMultiplier != 0 ||
      timeouts.writeTotalConstant != 0) {
    return false;
  }
  termios tio{};
  if (tcgetattr(fd_.Get(), &tio) != 0) return false;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd_.Get(), TCSANOW, &tio) != 0) return false;
  minimum_ = 0;
  return true;
}

bool TerminalDevice::SetEventMask(uint32_t mask) {
  // Received characters are what poll reports; no other event is offered.
  return mask == kEventRxChar && !hungUp_;
}

bool TerminalDevice::Purge(uint32_t flags) {
  const bool input = flags & (kPurgeRxAbort | kPurgeRxClear);
  const bool output = flags & (kPurgeTxAbort | kPurgeTxClear);
  if (!input && !output) return true;
  return tcflush(fd_.Get(), input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH)) == 0;
}

std::optional<uint32_t> TerminalDevice::Read(uint8_t* bytes, uint32_t capacity) {
  const ssize_t got = read(fd_.Get(), bytes, capacity);
  if (got >= 0) return static_cast<uint32_t>(got);
  if (errno == EAGAIN || errno == EINTR) return 0;
  return std::nullopt;
}

std::optional<uint32_t> TerminalDevice::Write(const uint8_t* bytes, uint32_t count,
                                              uint32_t timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  uint32_t done = 0;
  bool pending = false;
  while (done < count) {
    const ssize_t wrote = write(fd_.Get(), bytes + done, count - done);
    if (wrote >= 0) {
      done += static_cast<uint32_t>(wrote);
      continue;
    }
    if (errno != EAGAIN && errno != EINTR) {
      if (pending) return std::nullopt;
      return 0;
    }
    pending = true;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd fd{fd_.Get(), POLLOUT, 0};
    if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) == 0) {
      // Abandoned: what is still queued is cancelled, and the count stays 0.
      tcflush(fd_.Get(), TCOFLUSH);
      return 0;
    }
    if (fd.revents & (POLLERR | POLLHUP | POLLNVAL)) return std::nullopt;
  }
  return done;
}

int32_t TerminalDevice::WaitReceived(std::span<Event* const> events, int32_t timeoutMs,
                                     uint32_t atLeast) {
  atLeast = std::clamp<uint32_t>(atLeast, 1, 255);
  termios tio{};
  if (atLeast != minimum_ && !hungUp_ && tcgetattr(fd_.Get(), &tio) == 0) {
    tio.c_cc[VMIN] = static_cast<cc_t>(atLeast);
    if (tcsetattr(fd_.Get(), TCSANOW, &tio) == 0) minimum_ = atLeast;
  }
  pollfd device{fd_.Get(), POLLIN, 0};
  const int32_t result = PollEvents(events, hungUp_ ? nullptr : &device, timeoutMs);
  if (result != kWaitReceived) return result;
  if (device.revents & (POLLHUP | POLLERR | POLLNVAL)) {
    hungUp_ = true;
    return kWaitFailed;
  }
  return kWaitReceived;
}

}  // namespace tavrel
