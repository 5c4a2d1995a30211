#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/sim/controller_answers.h"
#include "touch/touch_report.h"

namespace tavrel::sim {

// Ways to misbehave, each off by default.
struct Misbehaviour {
  bool silent = false;                      // answer nothing
  uint32_t lateMs = 0;                      // wait this long before each answer
  uint32_t splitGapMs = 0;                  // send each answer in two halves this far apart
  std::optional<uint32_t> truncateTo;       // send only this many bytes of each answer
  bool garbage = false;                     // send stray bytes before each report and answer
  bool badChecksum = false;                 // start with a checksum word that does not match
  std::optional<uint32_t> hangUpAtRequest;  // hang up on receiving this request (1 = first)
};

struct EmulatorOptions {
  int32_t port = 5;        // linked as <machineDir>/ports/COM<port>
  std::string machineDir;  // required
  bool pace = true;        // one byte every 1/960 s, as a 9600-baud line carries them
  // Leaves the program's end of the line with a fresh terminal's defaults (line editing, echo,
  // XON/XOFF), as a real serial device comes up, instead of making it raw: the program must
  // make the line binary itself.
  bool cooked = false;
  Misbehaviour misbehave;
  ControllerMemory memory;
  std::string firmware = "2.05";  // 4 characters
  std::string model = "TV4001";   // 6 characters
  // Receives one line per request, with the seconds since the start.
  std::function<void(const std::string&)> log;
};

// The touch controller's side of the serial line, on a pseudo-terminal. One thread reads
// requests, answers them and sends queued touch reports, byte by byte at the line rate.
class ControllerEmulator {
 public:
  struct Request {
    double seconds;  // since Start
    Bytes bytes;
  };

  explicit ControllerEmulator(EmulatorOptions options);
  ~ControllerEmulator();
  ControllerEmulator(const ControllerEmulator&) = delete;
  ControllerEmulator& operator=(const ControllerEmulator&) = delete;

  // Creates the pseudo-terminal and its link, and starts the thread. False with Error() set
  // when any of it fails.
  bool Start();
  const std::string& Error() const { return error_; }
  // Stops the thread and hangs the line up, removing its link. Output queued later is dropped.
  void Stop();
  std::string PortName() const { return "COM" + std::to_string(options_.port); }
  std::string LinkPath() const;

  // Output, in order, after what is queued.
  void Send(Bytes bytes);
  void Report(uint8_t status, uint32_t x, uint32_t y);
  void Pause(uint32_t ms);
  void HangUp();
  // After a hang-up: a fresh line at the same link, as a USB adapter plugged in again.
  void Reconnect();
  // Waits until everything queued has been sent; false when the time runs out.
  bool WaitSent(std::chrono::milliseconds timeout);
  // Calls sent(time) right after the last byte of each report has been written.
  void OnReportSent(std::function<void(std::chrono::steady_clock::time_point)> sent);

  std::vector<Request> Requests() const;
  ControllerMemory Memory() const;
  bool HungUp() const;

  // A report's five bytes, as touch/touch_report.h describes them.
  static Bytes EncodeReport(uint8_t status, uint32_t x, uint32_t y) {
    const ReportBytes report = tavrel::EncodeReport(status, x, y);
    return {report.begin(), report.end()};
  }

 private:
  struct Unit {
    Bytes bytes;
    uint32_t delayMs = 0;  // before the first byte
    bool hangUp = false;
    bool reconnect = false;
    bool report = false;
    bool answer = false;
  };

  void Run();
  void ReadRequests();
  void Answer(const Bytes& request);
  void QueueAnswer(Bytes answer);
  // Puts stray bytes in front when told to send garbage.
  void AddStray(Bytes& bytes);
  // Sends what is due; returns the time until the next byte is due, nothing when none is.
  std::optional<std::chrono::nanoseconds> WriteDue();
  void DoHangUp();
  // Creates the pseudo-terminal and its link; false with error_ set when it cannot.
  bool OpenLine();
  void Wake();
  void Log(const std::string& line);
  double Seconds() const;

  EmulatorOptions options_;
  std::string error_;
  int master_ = -1;
  int slave_ = -1;  // held so that the line lives while no program has it open
  int wake_ = -1;   // eventfd: the queue changed or the emulator stops
  std::thread thread_;
  bool stopping_ = false;
  std::chrono::steady_clock::time_point start_;

  mutable std::mutex mutex_;
  std::condition_variable sent_;
  std::deque<Unit> answers_;  // go out between reports, before queued output
  std::deque<Unit> output_;
  std::optional<Unit> current_;
  size_t position_ = 0;
  std::chrono::steady_clock::time_point due_;       // of the current unit's next byte
  std::chrono::steady_clock::time_point lineFree_;  // when the line can take the next byte
  Bytes received_;
  std::vector<Request> requests_;
  bool hungUp_ = false;
  uint32_t garbageSeed_ = 0x2545F491;
  std::function<void(std::chrono::steady_clock::time_point)> onReportSent_;
};

}  // namespace tavrel::sim
