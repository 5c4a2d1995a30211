#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/event_service.h"
#include "platform/serial_device.h"
#include "platform/thread_service.h"
#include "settings/touch_settings.h"
#include "touch/report_decoder.h"

namespace tavrel {

// Result codes of the controller link.
namespace link_result {
inline constexpr int32_t kOk = 1;
inline constexpr int32_t kHeaderNotFound = -10;
inline constexpr int32_t kOpenFailed = -20;
inline constexpr int32_t kWordReadFailed = -130;
inline constexpr int32_t kWriteFailed = -300;
inline constexpr int32_t kPresenceNotSent = -310;
inline constexpr int32_t kFirmwareNotSent = -320;
inline constexpr int32_t kModelNotSent = -330;
inline constexpr int32_t kReadWordNotSent = -340;
inline constexpr int32_t kWriteWordNotSent = -350;
inline constexpr int32_t kDefaultsNotSent = -360;
inline constexpr int32_t kCalibrationReadFailed = -400;
inline constexpr int32_t kCalibrationWriteFailed = -410;
inline constexpr int32_t kChecksumMismatch = -420;
inline constexpr int32_t kNoController = -500;
inline constexpr int32_t kReadFailed = -510;
inline constexpr int32_t kNoAnswer = -520;
inline constexpr int32_t kMemoryReadFailed = -530;
inline constexpr int32_t kNoReaderThread = -1000;
}  // namespace link_result

// The serial line to the touch controller: the port, the reader thread that hands touch reports
// to the decoder, and every controller command. Commands run on the user-interface thread and
// park the reader while they use the line.
class CTvSerialPort {
 public:
  struct Platform {
    SerialPorts& ports;
    EventService& events;
    ThreadService& threads;
    Clock& clock;
  };

  CTvSerialPort(TouchSettings& settings, ReportDecoder& decoder, Platform platform);
  // Ends a reader that is still running; the port itself is closed by CloseSerialPort.
  ~CTvSerialPort();
  CTvSerialPort(const CTvSerialPort&) = delete;
  CTvSerialPort& operator=(const CTvSerialPort&) = delete;

  // Port and reader thread.
  int32_t OpenSerialPort(const std::string& name);
  int32_t GetDCB();
  void SetupDCB();
  void SetupTimeouts();
  int32_t CloseSerialPort(int32_t final);
  int32_t StopThread();
  int32_t StartThread();
  const std::string& PortName() const { return portName_; }
  // True while a reader is parked; lets callers and tests see that a stop has taken hold.
  bool ReaderParked();
  // True from the moment the reader or a command sees the line hang up or fail, until the
  // reconnection has the controller's answer again: a command that failed meanwhile failed for
  // that reason.
  bool LineLost() const { return lineLost_; }

  // Controller commands.
  int32_t WriteData(const uint8_t* bytes, uint32_t count, uint32_t& written);
  int32_t ReadData(uint8_t* buffer, uint32_t capacity, uint32_t& received);
  static int32_t FindHeader(const uint8_t* buffer, uint32_t count, uint8_t b0, uint8_t b1,
                            uint8_t b2, uint32_t& offset);
  int32_t CheckController();
  int32_t RequestFirmwareRelease();
  int32_t RequestModel();
  int32_t LoadControllerDefaults();
  int32_t ReadMemoryWord(uint8_t index, uint8_t& low, uint8_t& high, uint8_t& echo);
  int32_t WriteMemoryWord(uint8_t index, uint8_t low, uint8_t high, uint8_t& echo);
  int32_t CheckMemory();
  int32_t ReadCalibration();
  int32_t WriteCalibration();
  int32_t DetectController(int32_t& port);

  // Commands for the dialogs, made of those above: each parks the reader for its exchange and
  // leaves it running afterwards, whatever the outcome, with the same result codes.
  int32_t ConfirmController();
  // The firmware release (4 characters) or model (6) as the answer's bytes behind its header;
  // kReadFailed when nothing came, kHeaderNotFound when the answer lacks its header.
  int32_t ReadFirmwareRelease(std::string& answer);
  int32_t ReadModel(std::string& answer);
  int32_t RestoreControllerDefaults();
  int32_t ScanPorts(int32_t& port);
  // Whether detection logs each port tried and why it failed (else only at the debug level), so
  // that a start that keeps scanning does not fill the log.
  void LogScanDetails(bool detailed) { scanDetails_ = detailed; }

 private:
  // What one reader thread uses; all of it outlives the thread, which is joined before any of
  // it is closed.
  struct Reader {
    SerialDevice* port;
    Event* stop;
    Event* start;
    Event* quit;
  };

  // Parks the reader for one command and releases it at the end of the scope, unless the
  // command leaves it parked for its caller. A reader that did not park in time is always
  // released: the command fails rather than read the line alongside it.
  class ReaderPark {
   public:
    enum class OnExit { kRelease, kKeepParked };
    ReaderPark(CTvSerialPort& port, OnExit onExit);
    ~ReaderPark();
    ReaderPark(const ReaderPark&) = delete;
    ReaderPark& operator=(const ReaderPark&) = delete;
    bool Parked() const { return parked_; }
    // Releases the reader now.
    void Release();

   private:
    CTvSerialPort& port_;
    const bool parked_;
    bool release_;
  };

  // Releases the reader at the end of the scope unless the commands inside have released it.
  class ReaderRelease {
   public:
    explicit ReaderRelease(CTvSerialPort& port) : port_(port) {}
    ~ReaderRelease();
    ReaderRelease(const ReaderRelease&) = delete;
    ReaderRelease& operator=(const ReaderRelease&) = delete;

   private:
    CTvSerialPort& port_;
  };

  // Reads the answer to a request already sent (requested: its result) into the caller's bytes.
  int32_t ReceiveText(int32_t requested, uint8_t length, uint8_t command, std::string& answer);
  // StopThread's work: true once the reader is parked, or when there is none.
  bool ParkReader();
  void ReaderThread(Reader reader);
  // Hands reports to the decoder; false when the reader is to end, true when the line is lost.
  bool Listen(const Reader& reader, class ReportFramer& framer);
  // After the line is lost: opens the same port again at each retry interval until the
  // controller answers and its calibration is read (true), or the reader is to end (false).
  bool Reconnect(Reader& reader);
  bool Reopen(const Reader& reader);
  // The reconnection's reload: takes the controller's corners unless a calibration has loaded
  // others since the controller was last seen to hold the program's. False when kept.
  bool ReloadCorners(const Corners& read);
  // Start-up without the controller's corners: the stored ones, else the factory ones; true when
  // the stored ones were there.
  bool FallBackToStoredCorners();
  void NoteControllerCorners(const Corners& corners);
  // Writes the line settings, time-outs, purge and event mask; failed(text) for each refusal.
  void ConfigurePort(const std::function<void(const char*)>& failed);
  // Reads the four corners' words; true when every word came with its echo.
  bool ReadCorners(Corners& corners);
  // Holds the reader while a command has the line; false when the reader is to end.
  bool Park(const Reader& reader);
  // False when a read failed: the line is lost.
  bool Drain(SerialDevice& port, ReportFramer& framer);
  int32_t StartReader();
  void EndReader();
  void RenewEvents();
  // Sends a request and returns true when it was written whole.
  bool Send(const uint8_t* bytes, uint32_t count);
  // 256 bytes received at most 255, and three zero bytes behind them, so that the payload of a
  // header found at the very end still reads as zeros.
  using AnswerBuffer = std::array<uint8_t, 256 + 3>;
  // Reads an answer into the cleared buffer and returns the offset behind its header, or 0.
  uint32_t ReceiveAnswer(AnswerBuffer& buffer, uint8_t length, uint8_t command);
  // Reads a word write's 4-byte answer; true when it came whole and echoes the index.
  bool ReceiveWriteEcho(uint8_t index);
  static std::string PortNameOf(int32_t number);
  bool TryPort(int32_t number);
  bool TryStoredPort();
  void ScanLog(const std::string& line) const;

  TouchSettings& settings_;
  ReportDecoder& decoder_;
  Platform platform_;
  std::unique_ptr<SerialDevice> port_;
  LineSettings lineSettings_{};
  SerialTimeouts timeouts_{};
  std::string portName_;
  bool scanDetails_ = true;
  uint32_t eventMask_ = 0;
  std::unique_ptr<Event> stopEvent_;
  std::unique_ptr<Event> startEvent_;
  // Ends the reader when its port is closed: a loop of its own would never return.
  std::unique_ptr<Event> quitEvent_;
  std::thread reader_;
  // Events that end a wait for an answer early: empty, but while the reader itself talks to the
  // controller after a hang-up, its quit and stop events.
  std::span<Event* const> answerAbort_;
  // Set by whichever thread sees the line fail; the reader then reconnects and clears it.
  std::atomic<bool> lineLost_{false};

  // The corners the controller was last seen to hold (or, when they could not be read at
  // start-up, those used instead). A reload replaces the program's corners only while they still
  // equal these, so that a calibration loaded meanwhile is never undone by older ones.
  std::mutex cornersMutex_;
  Corners controllerCorners_{};  // under cornersMutex_

  // Whether the reader is to stay parked is this flag, not the start event alone: a start signal
  // given while the reader wakes from the last one would otherwise be reset unseen and leave the
  // reader parked for good. StopThread also waits until the reader has parked, so a reader still
  // busy with a report cannot take the answer of the command that follows.
  std::mutex parkMutex_;
  std::condition_variable parkChanged_;
  bool parkRequested_ = false;  // under parkMutex_
  bool parked_ = false;         // under parkMutex_
};

}  // namespace tavrel
