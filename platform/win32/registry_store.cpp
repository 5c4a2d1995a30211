#include "platform/win32/registry_store.h"

#include <windows.h>

#include <bit>

#include "platform/log.h"

namespace tavrel {

namespace {
HKEY Key(void* key) { return static_cast<HKEY>(key); }

// The 32-bit program reads the 32-bit view on 64-bit Windows; the 64-bit build and the installer
// use the same one, so every program and every import meets the same values.
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE | KEY_WOW64_32KEY;
constexpr REGSAM kReadOnly = KEY_READ | KEY_WOW64_32KEY;
}  // namespace

RegistryStore::~RegistryStore() { Close(); }

bool RegistryStore::Open() {
  std::lock_guard lock(mutex_);
  if (key_ != nullptr) return true;
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey_.c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, kReadWrite, nullptr, &key, nullptr);
  // A key installed without the installer's grant: the settings still load, none is stored.
  if (result == ERROR_ACCESS_DENIED &&
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey_.c_str(), 0, kReadOnly, &key) == ERROR_SUCCESS) {
    log::Info("Settings key HKEY_LOCAL_MACHINE\\" + subKey_ +
              " is read-only for this user: no setting (port, calibration, setup, right click) "
              "can be stored, each store fails with -120; an administrator lets every user "
              "change them with \"tavrel.exe " +
              kShareOption + "\"");
    result = ERROR_SUCCESS;
  }
  if (result != ERROR_SUCCESS) return false;
  key_ = key;
  return true;
}

std::optional<int32_t> RegistryStore::Read(std::string_view name) {
  const std::string valueName(name);
  std::lock_guard lock(mutex_);
  if (key_ == nullptr) return std::nullopt;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  // A value of another type (a string a user typed in, say) is as good as missing.
  if (RegQueryValueExA(Key(key_), valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value) {
    return std::nullopt;
  }
  return std::bit_cast<int32_t>(static_cast<uint32_t>(value));
}

bool RegistryStore::Write(std::string_view name, int32_t value) {
  const std::string valueName(name);
  const DWORD data = std::bit_cast<uint32_t>(value);
  std::lock_guard lock(mutex_);
  return key_ != nullptr &&
         RegSetValueExA(Key(key_), valueName.c_str(), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

bool RegistryStore::Close() {
  std::lock_guard lock(mutex_);
  if (key_ == nullptr) return false;
  const bool closed = RegCloseKey(Key(key_)) == ERROR_SUCCESS;
  key_ = nullptr;
  return closed;
}

}  // namespace tavrel
