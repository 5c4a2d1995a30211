// The port half of CTvSerialPort: opening, the reader thread, parking and closing.
#include "link/serial_port.h"

#include <array>
#include <chrono>

#include "link/report_framer.h"
#include "platform/log.h"

namespace tavrel {

namespace {
constexpr const char* kStopEventName = "StopThreadEvent";
constexpr const char* kStartEventName = "StartThreadEvent";
constexpr uint32_t kLineSettingsLength = 28;
constexpr uint32_t kBaudRate = 9600;
constexpr uint8_t kByteSize = 8;
constexpr uint32_t kReadAtOnce = 0xFFFFFFFF;
// Bytes taken per read while draining; a report is five.
constexpr uint32_t kDrainChunk = 64;
// How long StopThread waits for the reader to park. A reader sounding the touch tone has it cut
// short; one that waits for the user-interface thread cannot park before that thread is free
// again, so the command fails after this time.
constexpr auto kParkWait = std::chrono::milliseconds(1000);
// How often a lost line is tried again: often enough that touch is back within moments of the
// adapter, rarely enough to cost nothing while it is gone.
constexpr int32_t kRetryMs = 2000;
}  // namespace

CTvSerialPort::CTvSerialPort(TouchSettings& settings, ReportDecoder& decoder, Platform platform)
    : settings_(settings), decoder_(decoder), platform_(platform) {
  RenewEvents();
}

CTvSerialPort::~CTvSerialPort() { EndReader(); }

void CTvSerialPort::RenewEvents() {
  stopEvent_ = platform_.events.Create(kStopEventName);
  startEvent_ = platform_.events.Create(kStartEventName);
}

int32_t CTvSerialPort::OpenSerialPort(const std::string& name) {
  portName_ = name;
  // An open over an open port would orphan its reader; callers close first, but make sure.
  EndReader();
  port_.reset();
  lineLost_ = false;
  // Until the controller's corners are read, those in effect count as its own.
  NoteControllerCorners(settings_.GetCorners());
  port_ = platform_.ports.Open(name);
  if (!port_) return link_result::kOpenFailed;
  ConfigurePort([this](const char* text) { settings_.ShowMessage(text); });
  return StartReader();
}

void CTvSerialPort::ConfigurePort(const std::function<void(const char*)>& failed) {
  if (!GetDCB()) failed("CTvSerialPort->GetDCB error getting DCB structure!");
  SetupDCB();
  if (!port_->SetLineSettings(lineSettings_)) {
    failed("CTvSerialPort->OpenSerialPort SetCommState error!");
  }
  SetupTimeouts();
  if (!port_->SetTimeouts(timeouts_))
    failed("CTvSerialPort->OpenSerialPort SetCommTimeouts error!");
  if (!port_->Purge(kPurgeRxClear)) failed("CTvSerialPort->OpenSerialPort PurgeComm error!");
  eventMask_ = kEventRxChar;
  if (!port_->SetEventMask(eventMask_)) {
    failed("CTvSerialPort->OpenSerialPort error configuring event mask");
  }
}

int32_t CTvSerialPort::GetDCB() { return port_ && port_->GetLineSettings(lineSettings_) ? 1 : 0; }

void CTvSerialPort::SetupDCB() {
  lineSettings_.length = kLineSettingsLength;
  lineSettings_.baudRate = kBaudRate;
  lineSettings_.byteSize = kByteSize;
  lineSettings_.parity = 0;
  lineSettings_.stopBits = 0;
}

void CTvSerialPort::SetupTimeouts() { timeouts_ = {kReadAtOnce, 0, 0, 0, 0}; }

int32_t CTvSerialPort::StartReader() {
  quitEvent_ = platform_.events.Create("");
  if (!stopEvent_ || !startEvent_ || !quitEvent_) return link_result::kNoReaderThread;
  const Reader reader{port_.get(), stopEvent_.get(), startEvent_.get(), quitEvent_.get()};
  {
    std::lock_guard lock(parkMutex_);
    parkRequested_ = false;
    parked_ = false;
  }
  decoder_.AllowTone();
  reader_ = platform_.threads.Start([this, reader] { ReaderThread(reader); });
  return reader_.joinable() ? link_result::kOk : link_result::kNoReaderThread;
}

void CTvSerialPort::EndReader() {
  if (!reader_.joinable()) return;
  // A touch tone of any stored length must not hold up the close.
  decoder_.InterruptTone();
  quitEvent_->Set();
  reader_.join();
  reader_ = std::thread();
}

int32_t CTvSerialPort::CloseSerialPort(int32_t final) {
  // The reader ends before the port and the events it waits on are closed.
  EndReader();
  port_.reset();
  stopEvent_.reset();
  startEvent_.reset();
  if (final) {
    settings_.Close();
  } else {
    RenewEvents();
  }
  return link_result::kOk;
}

int32_t CTvSerialPort::StopThread() {
  ParkReader();
  return link_result::kOk;
}

bool CTvSerialPort::ParkReader() {
  if (!stopEvent_) return true;
  {
    std::lock_guard lock(parkMutex_);
    parkRequested_ = true;
  }
  decoder_.InterruptTone();
  stopEvent_->Set();
  if (!reader_.joinable()) return true;
  std::unique_lock lock(parkMutex_);
  return parkChanged_.wait_for(lock, kParkWait, [this] { return parked_; });
}

int32_t CTvSerialPort::StartThread() {
  if (!startEvent_) return link_result::kOk;
  {
    std::lock_guard lock(parkMutex_);
    parkRequested_ = false;
  }
  decoder_.AllowTone();
  startEvent_->Set();
  return link_result::kOk;
}

bool CTvSerialPort::ReaderParked() {
  std::lock_guard lock(parkMutex_);
  return reader_.joinable() && parked_;
}

CTvSerialPort::ReaderPark::ReaderPark(CTvSerialPort& port, OnExit onExit)
    : port_(port), parked_(port.ParkReader()), release_(onExit == OnExit::kRelease || !parked_) {}

CTvSerialPort::ReaderPark::~ReaderPark() {
  if (release_) port_.StartThread();
}

void CTvSerialPort::ReaderPark::Release() {
  release_ = false;
  port_.StartThread();
}

CTvSerialPort::ReaderRelease::~ReaderRelease() {
  bool held = false;
  {
    std::lock_guard lock(port_.parkMutex_);
    held = port_.parkRequested_;
  }
  if (held) port_.StartThread();
}

void CTvSerialPort::ReaderThread(Reader reader) {
  ReportFramer framer;
  while (Listen(reader, framer)) {
    framer.Reset();
    if (!Reconnect(reader)) return;
  }
}

bool CTvSerialPort::Listen(const Reader& reader, ReportFramer& framer) {
  Event* const running[] = {reader.quit, reader.stop};
  for (;;) {
    // A command may have seen the line fail while the reader was parked.
    if (lineLost_) return true;
    const int32_t woke = reader.port->WaitReceived(running, kWaitForever,
                                                   ReportFramer::kReportLength - framer.Pending());
    if (woke == 0) return false;
    if (woke == 1) {
      reader.stop->Reset();
      // Every command purges the line, so a report in progress will not be completed.
      framer.Reset();
      if (!Park(reader)) return false;
    } else if (woke == kWaitFailed || (woke == kWaitReceived && !Drain(*reader.port, framer))) {
      // A USB adapter pulled out, or the far end hung up.
      lineLost_ = true;
    }
  }
}

bool CTvSerialPort::Reconnect(Reader& reader) {
  // The lost device goes at once, and with it its descriptor and its lock on the port.
  port_.reset();
  reader.port = nullptr;
  decoder_.LiftTouch();
  log::Info(portName_ + " hung up; trying it again every " + std::to_string(kRetryMs / 1000) +
            " s");
  Event* const waits[] = {reader.quit, reader.stop};
  for (uint32_t attempt = 1;; ++attempt) {
    const int32_t woke = platform_.events.WaitAny(waits, kRetryMs);
    if (woke == 0) return false;
    if (woke == 1) {
      // A command finds no line and fails; the retries go on once it is done.
      reader.stop->Reset();
      if (!Park(reader)) return false;
      continue;
    }
    if (Reopen(reader)) {
      log::Info(portName_ + " answers again; calibration read (attempt " + std::to_string(attempt) +
                ")");
      reader.port = port_.get();
      lineLost_ = false;
      return true;
    }
    log::Debug(portName_ + " not back yet (attempt " + std::to_string(attempt) + ")");
  }
}

bool CTvSerialPort::Reopen(const Reader& reader) {
  port_ = platform_.ports.Open(portName_);
  if (!port_) return false;
  // Nobody is there to dismiss a message box at every attempt: a refusal fails the attempt.
  bool configured = true;
  ConfigurePort([&configured](const char*) { configured = false; });
  Event* const aborts[] = {reader.quit, reader.stop};
  answerAbort_ = aborts;
  Corners corners{};
  const bool answered = configured && ReadCorners(corners);
  answerAbort_ = {};
  if (!answered) {
    port_.reset();
    return false;
  }
  if (!ReloadCorners(corners)) {
    log::Info("the calibration loaded while " + portName_ +
              " was away stays in effect over the controller's");
  }
  return true;
}

bool CTvSerialPort::ReloadCorners(const Corners& read) {
  std::lock_guard lock(cornersMutex_);
  const bool replaced = settings_.ReplaceCorners(controllerCorners_, read);
  controllerCorners_ = read;
  return replaced;
}

bool CTvSerialPort::FallBackToStoredCorners() {
  // Under the lock, so that a reload cannot fall between the choice and its note.
  std::lock_guard lock(cornersMutex_);
  const bool stored = settings_.LoadCorners() == kSettingsOk;
  if (!stored) settings_.ResetCorners();
  controllerCorners_ = settings_.GetCorners();
  return stored;
}

void CTvSerialPort::NoteControllerCorners(const Corners& corners) {
  std::lock_guard lock(cornersMutex_);
  controllerCorners_ = corners;
}

bool CTvSerialPort::Park(const Reader& reader) {
  Event* const parked[] = {reader.quit, reader.start};
  for (;;) {
    // Reset before the flag is read: a start given after this point is seen either way.
    reader.start->Reset();
    bool stay;
    {
      std::lock_guard lock(parkMutex_);
      stay = parked_ = parkRequested_;
    }
    parkChanged_.notify_all();
    if (!stay) return true;
    if (platform_.events.WaitAny(parked, kWaitForever) != 1) return false;
  }
}

bool CTvSerialPort::Drain(SerialDevice& port, ReportFramer& framer) {
  std::array<uint8_t, kDrainChunk> bytes;
  std::optional<uint32_t> got;
  // A read that does not fill the buffer has taken all there was; what comes later wakes the
  // reader again.
  do {
    got = port.Read(bytes.data(), kDrainChunk);
    if (!got) return false;
    framer.Feed(bytes.data(), *got, [this](const ReportFramer::Report& report) {
      decoder_.DecodeReport(report.data(), ReportFramer::kReportLength, settings_.GetDecoderMode());
    });
  } while (*got == kDrainChunk);
  return true;
}

}  // namespace tavrel
