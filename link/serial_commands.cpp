// The command half of CTvSerialPort: the controller protocol (see link/controller_wire.h) and
// the detection of the controller at start-up.
#include <algorithm>
#include <array>
#include <cstdio>

#include "link/controller_wire.h"
#include "link/serial_port.h"
#include "platform/log.h"

namespace tavrel {

namespace {
constexpr uint32_t kWriteTimeoutMs = 5000;
constexpr uint32_t kAnswerTimeoutMs = 5000;
constexpr uint32_t kPauseAfterWriteMs = 50;
constexpr uint32_t kPresencePauseMs = 1000;
constexpr uint32_t kAnswerCapacity = 255;
constexpr int32_t kFirstPort = 1;
constexpr int32_t kLastPort = 10;

uint16_t Word(uint8_t low, uint8_t high) { return static_cast<uint16_t>(high * 256 + low); }

// One debug line per exchange step, built only when the debug level is on.
void LogBytes(const char* what, const uint8_t* bytes, uint32_t count) {
  if (!log::Enabled(LogLevel::kDebug)) return;
  std::string line = what;
  char part[4];
  for (uint32_t i = 0; i < count; ++i) {
    std::snprintf(part, sizeof part, " %02X", bytes[i]);
    line += part;
  }
  log::Debug(line);
}
}  // namespace

int32_t CTvSerialPort::WriteData(const uint8_t* bytes, uint32_t count, uint32_t& written) {
  // Whatever arrived before the request, touch reports included, is no part of its answer.
  if (!port_ || !port_->Purge(kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear)) {
    return link_result::kWriteFailed;
  }
  written = 0;
  const auto done = port_->Write(bytes, count, kWriteTimeoutMs);
  if (!done) {
    // Completed with an error: the line has failed; the reader reconnects once released.
    lineLost_ = true;
    return link_result::kWriteFailed;
  }
  written = *done;
  LogBytes("sent", bytes, written);
  platform_.clock.Sleep(kPauseAfterWriteMs);
  return link_result::kOk;
}

int32_t CTvSerialPort::ReadData(uint8_t* buffer, uint32_t capacity, uint32_t& received) {
  received = 0;
  if (!port_) return link_result::kReadFailed;
  const int32_t woke = port_->WaitReceived(answerAbort_, kAnswerTimeoutMs, 1);
  // A hang-up seen here is the reader's to handle: the device reports it only once.
  if (woke == kWaitFailed) lineLost_ = true;
  // An abort event (the program ends, or a command wants the line) fails the read as well.
  if (woke == kWaitFailed || woke >= 0) return link_result::kReadFailed;
  if (woke != kWaitReceived) return link_result::kOk;
  while (received < capacity) {
    const auto got = port_->Read(buffer + received, capacity - received);
    if (!got) lineLost_ = true;
    if (!got || *got == 0) break;
    received += *got;
  }
  LogBytes("received", buffer, received);
  return link_result::kOk;
}

int32_t CTvSerialPort::FindHeader(const uint8_t* buffer, uint32_t count, uint8_t b0, uint8_t b1,
                                  uint8_t b2, uint32_t& offset) {
  for (uint32_t p = 0; p + 3 <= count; ++p) {
    if (buffer[p] == b0 && buffer[p + 1] == b1 && buffer[p + 2] == b2) {
      offset = p + 3;
      return link_result::kOk;
    }
  }
  return link_result::kHeaderNotFound;
}

bool CTvSerialPort::Send(const uint8_t* bytes, uint32_t count) {
  uint32_t written = 0;
  return WriteData(bytes, count, written) == link_result::kOk && written >= count;
}

uint32_t CTvSerialPort::ReceiveAnswer(AnswerBuffer& buffer, uint8_t length, uint8_t command) {
  buffer.fill(0);
  uint32_t received = 0;
  uint32_t offset = 0;
  if (ReadData(buffer.data(), kAnswerCapacity, received) != link_result::kOk || received == 0)
    return 0;
  if (FindHeader(buffer.data(), received, wire::kStart, length, command, offset) !=
      link_result::kOk) {
    return 0;
  }
  return offset;
}

int32_t CTvSerialPort::CheckController() {
  // A failed check leaves the reader parked: detection closes the port next.
  ReaderPark park(*this, ReaderPark::OnExit::kKeepParked);
  const uint8_t request[] = {wire::kStart, 0x01, wire::kPresence};
  if (!park.Parked() || !Send(request, sizeof request)) return link_result::kPresenceNotSent;
  platform_.clock.Sleep(kPresencePauseMs);
  AnswerBuffer answer;
  if (!ReceiveAnswer(answer, wire::kPresenceAnswerLength, wire::kPresence)) {
    return link_result::kNoAnswer;
  }
  park.Release();
  return link_result::kOk;
}

// The caller reads the answer and then releases the reader.
int32_t CTvSerialPort::RequestFirmwareRelease() {
  ReaderPark park(*this, ReaderPark::OnExit::kKeepParked);
  const uint8_t request[] = {wire::kStart, 0x01, wire::kFirmwareRelease};
  return park.Parked() && Send(request, sizeof request) ? link_result::kOk
                                                        : link_result::kFirmwareNotSent;
}

int32_t CTvSerialPort::RequestModel() {
  ReaderPark park(*this, ReaderPark::OnExit::kKeepParked);
  const uint8_t request[] = {wire::kStart, 0x01, wire::kModel};
  return park.Parked() && Send(request, sizeof request) ? link_result::kOk
                                                        : link_result::kModelNotSent;
}

int32_t CTvSerialPort::LoadControllerDefaults() {
  ReaderPark park(*this, ReaderPark::OnExit::kKeepParked);
  if (!park.Parked() || !Send(wire::kLoadDefaults, sizeof wire::kLoadDefaults)) {
    return link_result::kDefaultsNotSent;
  }
  park.Release();
  return link_result::kOk;
}

int32_t CTvSerialPort::ConfirmController() {
  ReaderRelease release(*this);
  return CheckController();
}

int32_t CTvSerialPort::ReadFirmwareRelease(std::string& answer) {
  return ReceiveText(RequestFirmwareRelease(), wire::kFirmwareAnswerLength, wire::kFirmwareRelease,
                     answer);
}

int32_t CTvSerialPort::ReadModel(std::string& answer) {
  return ReceiveText(RequestModel(), wire::kModelAnswerLength, wire::kModel, answer);
}

int32_t CTvSerialPort::ReceiveText(int32_t requested, uint8_t length, uint8_t command,
                                   std::string& answer) {
  ReaderRelease release(*this);
  answer.clear();
  if (requested != link_result::kOk) return requested;
  // Cleared before the read, so that an answer that ends early brings nothing stale.
  AnswerBuffer buffer{};
  uint32_t count = 0;
  if (ReadData(buffer.data(), kAnswerCapacity, count) != link_result::kOk || count == 0) {
    return link_result::kReadFailed;
  }
  uint32_t offset = 0;
  if (FindHeader(buffer.data(), count, wire::kStart, length, command, offset) != link_result::kOk) {
    return link_result::kHeaderNotFound;
  }
  // The length counts the command letter, then the characters.
  const uint32_t end = std::min(count, offset + length - 1u);
  answer.assign(buffer.begin() + offset, buffer.begin() + end);
  return link_result::kOk;
}

int32_t CTvSerialPort::RestoreControllerDefaults() {
  ReaderRelease release(*this);
  return LoadControllerDefaults();
}

int32_t CTvSerialPort::ReadMemoryWord(uint8_t index, uint8_t& low, uint8_t& high, uint8_t& echo) {
  const uint8_t request[] = {wire::kStart, 0x02, wire::kReadWord, index};
  if (!Send(request, sizeof request)) return link_result::kReadWordNotSent;
  AnswerBuffer answer;
  const uint32_t offset = ReceiveAnswer(answer, wire::kReadWordAnswerLength, wire::kReadWord);
  if (!offset) return link_result::kNoAnswer;
  // A short answer reads as zeros from the cleared buffer.
  echo = answer[offset];
  low = answer[offset + 1];
  high = answer[offset + 2];
  return link_result::kOk;
}

int32_t CTvSerialPort::WriteMemoryWord(uint8_t index, uint8_t low, uint8_t high, uint8_t& echo) {
  uint8_t oldLow = 0, oldHigh = 0, oldEcho = 0;
  if (ReadMemoryWord(index, oldLow, oldHigh, oldEcho) != link_result::kOk || oldEcho != index) {
    return link_result::kWordReadFailed;
  }
  uint8_t sumLow = 0, sumHigh = 0, sumEcho = 0;
  if (ReadMemoryWord(wire::kChecksumWord, sumLow, sumHigh, sumEcho) != link_result::kOk ||
      sumEcho != wire::kChecksumWord) {
    return link_result::kWordReadFailed;
  }
  const uint8_t request[] = {wire::kStart, 0x04, wire::kWriteWord, index, low, high};
  if (!Send(request, sizeof request)) return link_result::kWriteWordNotSent;
  if (!ReceiveWriteEcho(index)) return link_result::kNoAnswer;
  echo = index;
  const uint16_t checksum =
      static_cast<uint16_t>(Word(sumLow, sumHigh) - Word(oldLow, oldHigh) + Word(low, high));
  const uint8_t update[] = {wire::kStart,
                            0x04,
                            wire::kWriteWord,
                            wire::kChecksumWord,
                            static_cast<uint8_t>(checksum & 0xFF),
                            static_cast<uint8_t>(checksum >> 8)};
  if (!Send(update, sizeof update)) return link_result::kWriteWordNotSent;
  return ReceiveWriteEcho(wire::kChecksumWord) ? link_result::kOk : link_result::kNoAnswer;
}

bool CTvSerialPort::ReceiveWriteEcho(uint8_t index) {
  // A word write's answer is not searched for: its first four bytes are taken as they come.
  uint8_t answer[4] = {};
  uint32_t received = 0;
  return ReadData(answer, sizeof answer, received) == link_result::kOk && received >= 4 &&
         answer[3] == index;
}

int32_t CTvSerialPort::CheckMemory() {
  ReaderPark park(*this, ReaderPark::OnExit::kRelease);
  if (!park.Parked()) return link_result::kMemoryReadFailed;
  uint16_t sum = 0;
  uint8_t low = 0, high = 0, echo = 0;
  for (uint8_t index = 0; index < wire::kChecksumWord; ++index) {
    if (ReadMemoryWord(index, low, high, echo) != link_result::kOk || echo != index) {
      return link_result::kMemoryReadFailed;
    }
    sum = static_cast<uint16_t>(sum + Word(low, high));
  }
  if (ReadMemoryWord(wire::kChecksumWord, low, high, echo) != link_result::kOk ||
      echo != wire::kChecksumWord) {
    return link_result::kMemoryReadFailed;
  }
  park.Release();
  const auto expected = static_cast<uint16_t>(sum + wire::kChecksumSeed);
  return expected == Word(low, high) ? link_result::kOk : link_result::kChecksumMismatch;
}

int32_t CTvSerialPort::ReadCalibration() {
  ReaderPark park(*this, ReaderPark::OnExit::kRelease);
  if (!park.Parked()) return link_result::kCalibrationReadFailed;
  Corners corners = settings_.GetCorners();
  const bool read = ReadCorners(corners);
  settings_.SetCorners(corners);
  NoteControllerCorners(corners);
  return read ? link_result::kOk : link_result::kCalibrationReadFailed;
}

bool CTvSerialPort::ReadCorners(Corners& corners) {
  bool failed = false;
  for (uint8_t index = 0; index < wire::kCornerWords; ++index) {
    uint8_t low = 0, high = 0, echo = 0;
    failed |= ReadMemoryWord(index, low, high, echo) != link_result::kOk || echo != index;
    corners.*CornerValueOfWord(index).value = Word(low, high);
  }
  return !failed;
}

int32_t CTvSerialPort::WriteCalibration() {
  ReaderPark park(*this, ReaderPark::OnExit::kRelease);
  if (!park.Parked()) return link_result::kCalibrationWriteFailed;
  bool failed = false;
  const Corners corners = settings_.GetCorners();
  for (uint8_t index = 0; index < wire::kCornerWords; ++index) {
    const auto value = static_cast<uint32_t>(corners.*CornerValueOfWord(index).value);
    uint8_t echo = 0;
    failed |=
        WriteMemoryWord(index, static_cast<uint8_t>(value & 0xFF),
                        static_cast<uint8_t>((value >> 8) & 0xFF), echo) != link_result::kOk ||
        echo != index;
  }
  if (failed) return link_result::kCalibrationWriteFailed;
  NoteControllerCorners(corners);
  return link_result::kOk;
}

std::string CTvSerialPort::PortNameOf(int32_t number) {
  return "COM" + std::to_string(number) + ":";
}

void CTvSerialPort::ScanLog(const std::string& line) const {
  if (scanDetails_) {
    log::Info(line);
  } else {
    log::Debug(line);
  }
}

bool CTvSerialPort::TryPort(int32_t number) {
  const std::string name = PortNameOf(number);
  ScanLog("looking for the controller on " + name);
  const int32_t opened = OpenSerialPort(name);
  if (opened == link_result::kOpenFailed) {
    const std::string why = platform_.ports.WhyNotOpened(name);
    ScanLog(name + " cannot be opened" + (why.empty() ? "" : ": " + why));
    return false;
  }
  if (opened == link_result::kOk && CheckController() == link_result::kOk) return true;
  ScanLog(name + " opens, but no controller answers there");
  return false;
}

bool CTvSerialPort::TryStoredPort() {
  // An unreadable value is an error code, not a port: "COM-130:" is never probed.
  const int32_t stored = settings_.ReadSerialPort();
  if (stored == kSettingsReadFailed) {
    log::Info("no stored port to try first");
    return false;
  }
  return TryPort(stored);
}

int32_t CTvSerialPort::ScanPorts(int32_t& port) {
  for (int32_t number = kFirstPort; number <= kLastPort; ++number) {
    if (TryPort(number)) {
      port = number;
      return link_result::kOk;
    }
    CloseSerialPort(0);
  }
  return link_result::kNoController;
}

int32_t CTvSerialPort::DetectController(int32_t& port) {
  // Nothing is open at start-up; a port left open here would keep its lock.
  EndReader();
  port_.reset();
  if (!TryStoredPort()) {
    CloseSerialPort(0);
    if (ScanPorts(port) != link_result::kOk) {
      ScanLog("no controller on any port");
      return link_result::kNoController;
    }
  }
  log::Info("controller found on " + portName_);
  if (ReadCalibration() == link_result::kOk) {
    log::Info("calibration read from the controller");
  } else {
    const bool stored = FallBackToStoredCorners();
    log::Info(stored ? "calibration not read from the controller; using the stored one"
                     : "calibration not read from the controller; using the factory one");
    settings_.ShowMessage("Failed loading calibration data. Loading default value!");
  }
  return link_result::kOk;
}

}  // namespace tavrel
