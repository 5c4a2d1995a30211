#include "platform/win32/win32_serial_ports.h"

#include <algorithm>
#include <string>

#include "platform/win32/win32_events.h"

namespace tavrel {

namespace {

// Some serial drivers never raise the received-character event (Wine's, on a pseudo-terminal,
// counts received bytes with an ioctl those lack); the input queue is looked at this often too.
constexpr ULONGLONG kPollSliceMs = 20;
// How long a read of bytes already queued may take before it is cancelled.
constexpr DWORD kReadGraceMs = 1000;

HANDLE ManualResetEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

// Switches off what would change or hold back the controller's bytes: software and hardware
// flow control, parity replacement, null stripping and aborts on errors.
void MakeBinary(DCB& dcb) {
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) dcb.fDtrControl = DTR_CONTROL_ENABLE;
  if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE || dcb.fRtsControl == RTS_CONTROL_TOGGLE) {
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
  }
}

}  // namespace

Win32SerialDevice::Win32SerialDevice(HANDLE handle) : handle_(handle) {
  readIo_.hEvent = ManualResetEvent();
  writeIo_.hEvent = ManualResetEvent();
  waitIo_.hEvent = ManualResetEvent();
}

Win32SerialDevice::~Win32SerialDevice() {
  // A pending wait writes into waitIo_ and waitMask_ until it is cancelled and collected.
  if (waitPending_) {
    CancelIo(handle_);
    DWORD ignored = 0;
    GetOverlappedResult(handle_, &waitIo_, &ignored, TRUE);
  }
  CloseHandle(handle_);
  for (OVERLAPPED* io : {&readIo_, &writeIo_, &waitIo_}) {
    if (io->hEvent != nullptr) CloseHandle(io->hEvent);
  }
}

bool Win32SerialDevice::GetLineSettings(LineSettings& settings) {
  dcb_.DCBlength = sizeof dcb_;
  if (!GetCommState(handle_, &dcb_)) return false;
  haveDcb_ = true;
  settings = {dcb_.DCBlength, dcb_.BaudRate, dcb_.ByteSize, dcb_.Parity, dcb_.StopBits};
  return true;
}

bool Win32SerialDevice::SetLineSettings(const LineSettings& settings) {
  LineSettings found;
  if (!haveDcb_ && !GetLineSettings(found)) return false;
  DCB dcb = dcb_;
  dcb.BaudRate = settings.baudRate;
  dcb.ByteSize = settings.byteSize;
  dcb.Parity = settings.parity;
  dcb.StopBits = settings.stopBits;
  MakeBinary(dcb);
  return SetCommState(handle_, &dcb) != 0;
}

bool Win32SerialDevice::SetTimeouts(const SerialTimeouts& timeouts) {
  COMMTIMEOUTS win{timeouts.readInterval, timeouts.readTotalMultiplier, timeouts.readTotalConstant,
                   timeouts.writeTotalMultiplier, timeouts.writeTotalConstant};
  return SetCommTimeouts(handle_, &win) != 0;
}

bool Win32SerialDevice::SetEventMask(uint32_t mask) { return SetCommMask(handle_, mask) != 0; }

bool Win32SerialDevice::Purge(uint32_t flags) { return PurgeComm(handle_, flags) != 0; }

std::optional<uint32_t> Win32SerialDevice::Read(uint8_t* bytes, uint32_t capacity) {
  // Only what has arrived is asked for: with the time-outs the program sets a read returns at
  // once, but not every driver honours them for an empty queue (Wine's does not).
  const DWORD wanted = std::min(capacity, Queued());
  if (wanted == 0) return 0;
  DWORD got = 0;
  ResetEvent(readIo_.hEvent);
  if (ReadFile(handle_, bytes, wanted, &got, &readIo_)) return got;
  if (GetLastError() != ERROR_IO_PENDING) return std::nullopt;
  if (WaitForSingleObject(readIo_.hEvent, kReadGraceMs) != WAIT_OBJECT_0) CancelIo(handle_);
  if (!GetOverlappedResult(handle_, &readIo_, &got, TRUE) &&
      GetLastError() != ERROR_OPERATION_ABORTED) {
    return std::nullopt;
  }
  return got;
}

std::optional<uint32_t> Win32SerialDevice::Write(const uint8_t* bytes, uint32_t count,
                                                 uint32_t timeoutMs) {
  DWORD written = 0;
  ResetEvent(writeIo_.hEvent);
  if (WriteFile(handle_, bytes, count, &written, &writeIo_)) return written;
  if (GetLastError() != ERROR_IO_PENDING) return 0;
  if (WaitForSingleObject(writeIo_.hEvent, timeoutMs) != WAIT_OBJECT_0) {
    // Abandoned: cancelled, and collected so that the record is free again.
    CancelIo(handle_);
    GetOverlappedResult(handle_, &writeIo_, &written, TRUE);
    return 0;
  }
  if (!GetOverlappedResult(handle_, &writeIo_, &written, FALSE)) return std::nullopt;
  return written;
}

uint32_t Win32SerialDevice::Queued() {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(handle_, &errors, &status)) return 0;
  return status.cbInQue;
}

bool Win32SerialDevice::ArmWait() {
  if (waitPending_) return true;
  waitMask_ = 0;
  ResetEvent(waitIo_.hEvent);
  if (WaitCommEvent(handle_, &waitMask_, &waitIo_)) {
    // Finished at once: the event stays signalled for the wait below.
    SetEvent(waitIo_.hEvent);
  } else if (GetLastError() != ERROR_IO_PENDING) {
    return false;
  }
  waitPending_ = true;
  return true;
}

void Win32SerialDevice::FinishWait() {
  waitPending_ = false;
  DWORD ignored = 0;
  // A purge aborts the wait; that is no fault of the line.
  if (!GetOverlappedResult(handle_, &waitIo_, &ignored, FALSE) &&
      GetLastError() != ERROR_OPERATION_ABORTED) {
    hungUp_ = true;
  }
}

int32_t Win32SerialDevice::WaitReceived(std::span<Event* const> events, int32_t timeoutMs,
                                        uint32_t atLeast) {
  if (hungUp_) return WaitHandles(events, nullptr, timeoutMs);
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  const uint32_t enough = atLeast == 0 ? 1 : atLeast;
  for (;;) {
    if (!ArmWait()) {
      hungUp_ = true;
      return kWaitFailed;
    }
    // Bytes that came before the wait was armed raise no event of their own.
    if (Queued() >= enough) {
      const int32_t set = WaitHandles(events, nullptr, 0);
      return set == kWaitTimedOut ? kWaitReceived : set;
    }
    int32_t left = kPollSliceMs;
    if (timeoutMs >= 0) {
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return Queued() > 0 ? kWaitReceived : kWaitTimedOut;
      left = static_cast<int32_t>(std::min<ULONGLONG>(deadline - now, kPollSliceMs));
    }
    const int32_t woke = WaitHandles(events, waitIo_.hEvent, left);
    if (woke == kWaitTimedOut) continue;
    if (woke != kWaitReceived) return woke;
    // A report's bytes come one by one: the wait goes on for the rest of it while time is left.
    FinishWait();
    if (hungUp_) return kWaitFailed;
  }
}

namespace {

// "COMn:" as \\.\COMn, which also reaches ports above COM9.
HANDLE OpenPort(std::string_view name) {
  std::string device(name);
  if (!device.empty() && device.back() == ':') device.pop_back();
  device = "\\\\.\\" + device;
  return CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OVERLAPPED, nullptr);
}

}  // namespace

std::unique_ptr<SerialDevice> Win32SerialPorts::Open(std::string_view name) {
  HANDLE handle = OpenPort(name);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32SerialDevice>(handle);
}

std::string Win32SerialPorts::WhyNotOpened(std::string_view name) {
  HANDLE handle = OpenPort(name);
  if (handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
    return "it opens now";
  }
  const DWORD error = GetLastError();
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 text, sizeof text, nullptr);
  std::string why = text;
  while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == '.')) {
    why.pop_back();
  }
  return why + " (error " + std::to_string(error) + ")";
}

}  // namespace tavrel
