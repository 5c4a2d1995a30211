// The port half of CTvSerialPort: opening, the reader thread, parking and closing.
#include "link/serial_port.h"

#include <array>
#include <chrono>

#include "link/report_framer.h"

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
  port_ = platform_.ports.Open(name);
  if (!port_) return link_result::kOpenFailed;
  if (!GetDCB()) settings_.ShowMessage("CTvSerialPort->GetDCB error getting DCB structure!");
  SetupDCB();
  if (!port_->SetLineSettings(lineSettings_)) {
    settings_.ShowMessage("CTvSerialPort->OpenSerialPort SetCommState error!");
  }
  SetupTimeouts();
  if (!port_->SetTimeouts(timeouts_)) {
    settings_.ShowMessage("CTvSerialPort->OpenSerialPort SetCommTimeouts error!");
  }
  if (!port_->Purge(kPurgeRxClear)) {
    settings_.ShowMessage("CTvSerialPort->OpenSerialPort PurgeComm error!");
  }
  eventMask_ = kEventRxChar;
  if (!port_->SetEventMask(eventMask_)) {
    settings_.ShowMessage("CTvSerialPort->OpenSerialPort error configuring event mask");
  }
  return StartReader();
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

void CTvSerialPort::ReaderThread(Reader reader) {
  ReportFramer framer;
  Event* const running[] = {reader.quit, reader.stop};
  for (;;) {
    const int32_t woke = reader.port->WaitReceived(running, kWaitForever,
                                                   ReportFramer::kReportLength - framer.Pending());
    if (woke == 0) return;
    if (woke == 1) {
      reader.stop->Reset();
      // Every command purges the line, so a report in progress will not be completed.
      framer.Reset();
      if (!Park(reader)) return;
    } else if (woke == kWaitReceived) {
      Drain(*reader.port, framer);
    }
    // A failed wait is not reported; a device that hung up waits for the events only.
  }
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

void CTvSerialPort::Drain(SerialDevice& port, ReportFramer& framer) {
  std::array<uint8_t, kDrainChunk> bytes;
  std::optional<uint32_t> got;
  // A read that does not fill the buffer has taken all there was; what comes later wakes the
  // reader again.
  do {
    got = port.Read(bytes.data(), kDrainChunk);
    if (!got) return;
    framer.Feed(bytes.data(), *got, [this](const ReportFramer::Report& report) {
      decoder_.DecodeReport(report.data(), ReportFramer::kReportLength, settings_.GetDecoderMode());
    });
  } while (*got == kDrainChunk);
}

}  // namespace tavrel
