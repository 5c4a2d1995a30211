#include "platform/win32/win32_console.h"

#include <windows.h>

#include <string>

namespace tavrel {

namespace {

HANDLE Valid(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }

void WriteText(HANDLE handle, std::string_view text) {
  DWORD written = 0;
  if (handle != nullptr && !text.empty()) {
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

// The console of the command prompt that started the program; null when there is none.
HANDLE ParentConsole() {
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return nullptr;
  return Valid(CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

}  // namespace

void ShowProgramTexts(std::string_view caption, std::string_view out, std::string_view err) {
  HANDLE output = Valid(GetStdHandle(STD_OUTPUT_HANDLE));
  HANDLE error = Valid(GetStdHandle(STD_ERROR_HANDLE));
  if (output == nullptr && error == nullptr) output = error = ParentConsole();
  if (output != nullptr || error != nullptr) {
    WriteText(output, out);
    WriteText(error, err);
    return;
  }
  const std::string text = std::string(out) + std::string(err);
  MessageBoxA(nullptr, text.c_str(), std::string(caption).c_str(), MB_OK);
}

}  // namespace tavrel
