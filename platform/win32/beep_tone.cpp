#include "platform/win32/beep_tone.h"

#include <windows.h>

namespace tavrel {

bool BeepTone::Beep(uint32_t frequencyHz, uint32_t durationMs) {
  const ULONGLONG start = GetTickCount64();
  const bool played = ::Beep(frequencyHz, durationMs) != 0;
  const ULONGLONG elapsed = GetTickCount64() - start;
  if (elapsed < durationMs) ::Sleep(static_cast<DWORD>(durationMs - elapsed));
  return played;
}

}  // namespace tavrel
