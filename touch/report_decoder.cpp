#include "touch/report_decoder.h"

#include "touch/wrapping_int32.h"

namespace tavrel {

namespace {
// From this sample on the capture step stores its averages.
constexpr int32_t kCaptureSamplesToStore = 100;
}  // namespace

ReportDecoder::ReportDecoder(TouchSettings& settings, PointerService& pointer, ToneService& tone)
    : settings_(settings), pointer_(pointer), tone_(tone) {}

void ReportDecoder::DecodeReport(const uint8_t* bytes, uint32_t length, int32_t mode) {
  const std::optional<TouchReport> report = UnpackReport(bytes, length);
  if (!report) return;
  if (mode == kDecoderCapture) {
    Capture(*report);
  } else {
    const CalibratedPoint point =
        ApplyCalibration(settings_.GetCorners(), report->rawX, report->rawY);
    if (mode == kDecoderNormal && PassesFilter(point, report->status)) {
      const AbsolutePoint target = ToAbsolutePointer(point);
      MoveTo(target.x, target.y);
    }
  }
  if (report->status != lastStatus_) {
    SendButton(report->status);
    lastStatus_ = report->status;
  }
  if (mode == kDecoderCapture) {
    // Every capture report drives the calibration window, so the next one counts as a change.
    SendButton(report->status);
    lastStatus_ = kStatusReleased;
  }
}

void ReportDecoder::Capture(const TouchReport& report) {
  settings_.captureX = (settings_.captureX + static_cast<uint32_t>(report.rawX)) >> 1;
  settings_.captureY = (settings_.captureY + static_cast<uint32_t>(report.rawY)) >> 1;
  // Stored before it is counted: the calibration window, which reads the pair back once it sees
  // the hundredth sample counted, never finds it missing. Only the window changes the count
  // meanwhile, and only down, so a reset between the two steps at worst stores once too often.
  if (wrapping::Add(settings_.captureCount.load(), 1) >= kCaptureSamplesToStore) {
    settings_.SaveCapturedX(static_cast<int32_t>(settings_.captureX.load()));
    settings_.SaveCapturedY(static_cast<int32_t>(settings_.captureY.load()));
  }
  // One atomic increment, so that a reset by the calibration window is never lost.
  settings_.captureCount.fetch_add(1);
}

bool ReportDecoder::PassesFilter(CalibratedPoint point, uint8_t status) {
  if (status != kStatusTouching || lastStatus_ != kStatusTouching) return true;
  using wrapping::Add, wrapping::Sub;
  const int32_t width = settings_.GetClickBoxWidth();
  const int32_t height = settings_.GetClickBoxHeight();
  const bool passes = point.v <= Sub(lastX_, width) || point.v >= Add(lastX_, width) ||
                      point.w <= Sub(lastY_, height) || point.w >= Add(lastY_, height);
  if (passes) {
    lastX_ = point.v;
    lastY_ = point.w;
  }
  return passes;
}

uint32_t ReportDecoder::MoveTo(int32_t x, int32_t y) {
  mouse_.dx = x;
  mouse_.dy = y;
  return Send(kMouseMove | kMouseAbsolute);
}

uint32_t ReportDecoder::SendButton(uint8_t status) {
  if (status == kStatusTouching) {
    if (settings_.GetDecoderMode() == kDecoderNormal && settings_.IsBuzzerEnabled() != 0) {
      std::stop_token stop;
      {
        std::lock_guard lock(toneMutex_);
        stop = toneStop_.get_token();
      }
      tone_.Beep(static_cast<uint32_t>(settings_.GetBuzzerFrequency()),
                 static_cast<uint32_t>(settings_.GetBuzzerDuration()), stop);
    }
    return Send(RightClickEnabled() ? kMouseRightDown : kMouseLeftDown);
  }
  if (!RightClickEnabled()) return Send(kMouseLeftUp);
  // The right-click mode is one-shot: its release switches it off. A failed write is ignored.
  settings_.SaveRightClickEnabled(0);
  settings_.ShowRightClickState(0);
  return Send(kMouseRightUp);
}

void ReportDecoder::InterruptTone() {
  std::lock_guard lock(toneMutex_);
  toneStop_.request_stop();
}

void ReportDecoder::AllowTone() {
  std::lock_guard lock(toneMutex_);
  if (toneStop_.stop_requested()) toneStop_ = std::stop_source();
}

bool ReportDecoder::RightClickEnabled() { return settings_.IsRightClickEnabled() == 1; }

uint32_t ReportDecoder::Send(uint32_t flags) {
  mouse_.mouseData = 0;
  mouse_.time = 0;
  mouse_.dwFlags = flags;
  return pointer_.SendInput(mouse_);
}

}  // namespace tavrel
