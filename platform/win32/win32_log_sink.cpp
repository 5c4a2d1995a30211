#include "platform/win32/win32_log_sink.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tavrel {

namespace {

std::string LocalTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  return text;
}

void WriteHandle(HANDLE handle, const std::string& text) {
  DWORD written = 0;
  WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

std::string Win32LogSink::DefaultPath() {
  const char* folder = std::getenv("LOCALAPPDATA");
  if (folder == nullptr || *folder == '\0') folder = std::getenv("TEMP");
  return std::string(folder != nullptr ? folder : ".") + "\\Tavrel\\tavrel.log";
}

Win32LogSink::Win32LogSink(std::string path, uint64_t sizeLimit)
    : path_(std::move(path)), sizeLimit_(sizeLimit) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
  Open();
}

Win32LogSink::~Win32LogSink() {
  if (file_ != nullptr) CloseHandle(file_);
}

void Win32LogSink::Open(bool empty) {
  // Shared, so that the file can be read, copied or deleted while the program runs.
  HANDLE file = CreateFileA(path_.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            empty ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  file_ = file == INVALID_HANDLE_VALUE ? nullptr : file;
  LARGE_INTEGER size{};
  size_ =
      file_ != nullptr && GetFileSizeEx(file_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

void Win32LogSink::WriteFileLine(const std::string& text) {
  if (file_ != nullptr && size_ > 0 && size_ + text.size() > sizeLimit_) {
    CloseHandle(file_);
    // When the old lines cannot be moved aside they go, rather than the disk filling up.
    Open(!MoveFileExA(path_.c_str(), (path_ + ".1").c_str(), MOVEFILE_REPLACE_EXISTING));
  }
  if (file_ == nullptr) return;
  WriteHandle(file_, text);
  size_ += text.size();
}

void Win32LogSink::Write(LogLevel /*level*/, std::string_view line) {
  std::string text = "tavrel: ";
  text.append(line);
  const std::string withNewline = text + "\n";
  // One call per output under the lock, so lines from the two threads never interleave.
  std::lock_guard lock(mutex_);
  OutputDebugStringA(withNewline.c_str());
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error != nullptr && error != INVALID_HANDLE_VALUE) WriteHandle(error, withNewline);
  WriteFileLine(LocalTime() + text + "\r\n");
}

}  // namespace tavrel
