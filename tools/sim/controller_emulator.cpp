#include "tools/sim/controller_emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "touch/touch_report.h"

namespace tavrel::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;
// Ten bits per byte (start, eight data, stop) at 9600 baud.
constexpr auto kByteTime = std::chrono::nanoseconds(1'000'000'000 / 960);
// Waiting for the program to take bytes when the line's buffer is full.
constexpr auto kRetry = std::chrono::milliseconds(1);

std::string Hex(const Bytes& bytes) {
  std::string text;
  char part[4];
  for (uint8_t byte : bytes) {
    std::snprintf(part, sizeof part, " %02X", byte);
    text += part;
  }
  return text;
}

}  // namespace

ControllerEmulator::ControllerEmulator(EmulatorOptions options) : options_(std::move(options)) {
  if (options_.misbehave.badChecksum) {
    options_.memory.Set(ControllerMemory::kChecksumWord,
                        static_cast<uint16_t>(options_.memory.Checksum() + 1));
  }
}

ControllerEmulator::~ControllerEmulator() {
  Stop();
  if (wake_ >= 0) close(wake_);
}

void ControllerEmulator::Stop() {
  if (thread_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    Wake();
    thread_.join();
  }
  std::lock_guard lock(mutex_);
  DoHangUp();
}

std::string ControllerEmulator::LinkPath() const {
  return options_.machineDir + "/ports/" + PortName();
}

bool ControllerEmulator::Start() {
  start_ = SteadyClock::now();
  wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_ < 0) {
    error_ = "cannot create an event descriptor";
    return false;
  }
  if (!OpenLine()) return false;
  thread_ = std::thread([this] { Run(); });
  return true;
}

bool ControllerEmulator::OpenLine() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  char name[128] = {};
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
      ptsname_r(master_, name, sizeof name) != 0) {
    error_ = "cannot create a pseudo-terminal";
    return false;
  }
  slave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios tio{};
  if (slave_ < 0 || tcgetattr(slave_, &tio) != 0) {
    error_ = std::string("cannot open ") + name;
    return false;
  }
  // A fresh terminal echoes and edits lines; the controller's line carries raw bytes.
  if (!options_.cooked) cfmakeraw(&tio);
  cfsetspeed(&tio, B9600);
  tcsetattr(slave_, TCSANOW, &tio);
  std::error_code failed;
  std::filesystem::create_directories(options_.machineDir + "/ports", failed);
  std::filesystem::remove(LinkPath(), failed);
  std::filesystem::create_symlink(name, LinkPath(), failed);
  if (failed) {
    error_ = "cannot link " + LinkPath() + ": " + failed.message();
    return false;
  }
  hungUp_ = false;
  return true;
}

void ControllerEmulator::Send(Bytes bytes) {
  {
    std::lock_guard lock(mutex_);
    output_.push_back({std::move(bytes)});
  }
  Wake();
}

void ControllerEmulator::Report(uint8_t status, uint32_t x, uint32_t y) {
  Unit unit{EncodeReport(status, x, y)};
  unit.report = true;
  {
    std::lock_guard lock(mutex_);
    AddStray(unit.bytes);
    output_.push_back(std::move(unit));
  }
  Wake();
}

void ControllerEmulator::Pause(uint32_t ms) {
  {
    std::lock_guard lock(mutex_);
    output_.push_back({{}, ms});
  }
  Wake();
}

void ControllerEmulator::HangUp() {
  {
    std::lock_guard lock(mutex_);
    Unit unit;
    unit.hangUp = true;
    output_.push_back(std::move(unit));
  }
  Wake();
}

void ControllerEmulator::Reconnect() {
  {
    std::lock_guard lock(mutex_);
    Unit unit;
    unit.reconnect = true;
    output_.push_back(std::move(unit));
  }
  Wake();
}

bool ControllerEmulator::WaitSent(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return sent_.wait_for(lock, timeout,
                        [this] { return !current_ && output_.empty() && answers_.empty(); });
}

void ControllerEmulator::OnReportSent(
    std::function<void(std::chrono::steady_clock::time_point)> sent) {
  std::lock_guard lock(mutex_);
  onReportSent_ = std::move(sent);
}

std::vector<ControllerEmulator::Request> ControllerEmulator::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

ControllerMemory ControllerEmulator::Memory() const {
  std::lock_guard lock(mutex_);
  return options_.memory;
}

bool ControllerEmulator::HungUp() const {
  std::lock_guard lock(mutex_);
  return hungUp_;
}

void ControllerEmulator::Wake() {
  const uint64_t one = 1;
  if (write(wake_, &one, sizeof one) < 0) {
    // A full counter wakes the thread all the same.
  }
}

double ControllerEmulator::Seconds() const {
  return std::chrono::duration<double>(SteadyClock::now() - start_).count();
}

void ControllerEmulator::Log(const std::string& line) {
  if (options_.log) options_.log(line);
}

void ControllerEmulator::Run() {
  for (;;) {
    std::optional<std::chrono::nanoseconds> wait;
    int master;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      wait = WriteDue();
      master = master_;
    }
    pollfd fds[2] = {{wake_, POLLIN, 0}, {master, POLLIN, 0}};
    timespec timeout{};
    if (wait) {
      timeout.tv_sec = wait->count() / 1'000'000'000;
      timeout.tv_nsec = wait->count() % 1'000'000'000;
    }
    if (ppoll(fds, 2, wait ? &timeout : nullptr, nullptr) <= 0) continue;
    if (fds[0].revents & POLLIN) {
      uint64_t count;
      if (read(wake_, &count, sizeof count) < 0) continue;
    }
    if (fds[1].revents & POLLIN) ReadRequests();
  }
}

std::optional<std::chrono::nanoseconds> ControllerEmulator::WriteDue() {
  for (;;) {
    const auto now = SteadyClock::now();
    // An answer does not wait for a pause of the touch output to end, only for a unit that has
    // begun to go out.
    if (current_ && !current_->answer && position_ == 0 && !answers_.empty()) {
      output_.push_front(std::move(*current_));
      current_.reset();
    }
    if (!current_) {
      std::deque<Unit>& queue = answers_.empty() ? output_ : answers_;
      if (queue.empty()) {
        sent_.notify_all();
        return std::nullopt;
      }
      current_ = std::move(queue.front());
      queue.pop_front();
      position_ = 0;
      // The line stays paced from the previous unit's last byte.
      due_ = std::max(lineFree_, now) + std::chrono::milliseconds(current_->delayMs);
    }
    if (now < due_) return due_ - now;
    if (current_->hangUp) DoHangUp();
    if (current_->reconnect && hungUp_) {
      received_.clear();
      if (!OpenLine()) Log("reconnect: " + error_);
      Log(std::to_string(Seconds()) + " line back");
    }
    if (hungUp_ || position_ == current_->bytes.size()) {
      current_.reset();
      continue;
    }
    const size_t count = options_.pace ? 1 : current_->bytes.size() - position_;
    // Stamped before the write: the reader may take the bytes before write() returns here, and
    // a stamp after it would make that latency negative.
    const auto writing = SteadyClock::now();
    const ssize_t wrote = write(master_, current_->bytes.data() + position_, count);
    if (wrote < 0) {
      if (errno != EAGAIN && errno != EINTR) DoHangUp();
      due_ = now + kRetry;
      continue;
    }
    position_ += static_cast<size_t>(wrote);
    // Keep the line rate over a run of bytes, but never send a burst to catch up.
    if (options_.pace) due_ = std::max(due_ + kByteTime, now);
    lineFree_ = due_;
    if (position_ == current_->bytes.size()) {
      if (current_->report && onReportSent_) onReportSent_(writing);
      current_.reset();
    }
  }
}

void ControllerEmulator::ReadRequests() {
  uint8_t buffer[256];
  ssize_t got;
  std::lock_guard lock(mutex_);
  while (master_ >= 0 && (got = read(master_, buffer, sizeof buffer)) > 0) {
    received_.insert(received_.end(), buffer, buffer + got);
  }
  for (;;) {
    const auto start = std::find_if(received_.begin(), received_.end(),
                                    [](uint8_t b) { return b == kStart || b == kDefaults; });
    received_.erase(received_.begin(), start);
    if (received_.size() < 2) return;
    const size_t length = received_[0] == kDefaults ? 2 : 2 + received_[1];
    if (received_.size() < length) return;
    const Bytes request(received_.begin(), received_.begin() + static_cast<long>(length));
    received_.erase(received_.begin(), received_.begin() + static_cast<long>(length));
    Answer(request);
    if (hungUp_) return;
  }
}

void ControllerEmulator::Answer(const Bytes& request) {
  requests_.push_back({Seconds(), request});
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%.6f", requests_.back().seconds);
  Log(std::string(stamp) + " request" + Hex(request));
  const Misbehaviour& misbehave = options_.misbehave;
  if (misbehave.hangUpAtRequest == requests_.size()) {
    DoHangUp();
    return;
  }
  // The defaults command restores the memory even from a silent controller.
  if (misbehave.silent && request[0] != kDefaults) return;
  const std::optional<Bytes> answer =
      AnswerRequest(request, options_.memory, options_.firmware, options_.model);
  if (!answer) {
    Log("  (not a request this controller knows)");
  } else if (!answer->empty()) {
    QueueAnswer(*answer);
  }
}

void ControllerEmulator::AddStray(Bytes& bytes) {
  if (!options_.misbehave.garbage) return;
  // One to three bytes below 0x80: never a report's start, nor an answer's.
  garbageSeed_ ^= garbageSeed_ << 13, garbageSeed_ ^= garbageSeed_ >> 17,
      garbageSeed_ ^= garbageSeed_ << 5;
  Bytes stray(1 + garbageSeed_ % 3, static_cast<uint8_t>(0x20 + (garbageSeed_ >> 8) % 0x50));
  for (uint8_t byte : bytes) stray.push_back(byte);
  bytes.swap(stray);
}

void ControllerEmulator::QueueAnswer(Bytes answer) {
  const Misbehaviour& misbehave = options_.misbehave;
  AddStray(answer);
  if (misbehave.truncateTo && answer.size() > *misbehave.truncateTo) {
    answer.resize(*misbehave.truncateTo);
  }
  const auto queue = [this](Bytes bytes, uint32_t delayMs) {
    Unit unit{std::move(bytes), delayMs};
    unit.answer = true;
    answers_.push_back(std::move(unit));
  };
  if (misbehave.splitGapMs == 0 || answer.size() < 2) {
    queue(std::move(answer), misbehave.lateMs);
    return;
  }
  const auto half = answer.begin() + static_cast<long>(answer.size() / 2);
  queue(Bytes(answer.begin(), half), misbehave.lateMs);
  queue(Bytes(half, answer.end()), misbehave.splitGapMs);
}

void ControllerEmulator::DoHangUp() {
  if (master_ < 0) return;
  // Closing the master hangs the line up for whoever has it open.
  close(master_);
  close(slave_);
  master_ = slave_ = -1;
  hungUp_ = true;
  std::error_code ignored;
  std::filesystem::remove(LinkPath(), ignored);
}

}  // namespace tavrel::sim
