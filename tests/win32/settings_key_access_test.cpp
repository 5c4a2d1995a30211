#include <aclapi.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "platform/win32/registry_store.h"
#include "platform/win32/settings_key_sharing.h"
#include "settings/touch_settings.h"
#include "testing/fake_log_sink.h"
#include "testing/fake_system_parameters.h"
#include "testing/fake_window_service.h"

namespace tavrel {
namespace {

constexpr REGSAM kView32 = KEY_WOW64_32KEY;

std::string TestKey(const char* what) {
  return std::string(RegistryStore::kDefaultKey) + what + std::to_string(GetCurrentProcessId());
}

bool Is64BitWindows() {
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  return sizeof(void*) == 8 || wow64;
}

std::vector<BYTE> Sid(WELL_KNOWN_SID_TYPE type) {
  std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
  DWORD size = static_cast<DWORD>(sid.size());
  CreateWellKnownSid(type, nullptr, sid.data(), &size);
  return sid;
}

// The access masks of the key's own (not inherited) entries that let the local Users group write.
std::vector<DWORD> UsersWriteGrants(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, READ_CONTROL | kView32, &handle) != 0) {
    return {};
  }
  DWORD size = 0;
  RegGetKeySecurity(handle, DACL_SECURITY_INFORMATION, nullptr, &size);
  std::vector<BYTE> descriptor(size);
  RegGetKeySecurity(handle, DACL_SECURITY_INFORMATION, descriptor.data(), &size);
  RegCloseKey(handle);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted);
  std::vector<BYTE> users = Sid(WinBuiltinUsersSid);
  std::vector<DWORD> grants;
  for (DWORD i = 0; present && dacl != nullptr && i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    GetAce(dacl, i, reinterpret_cast<void**>(&ace));
    if (ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && !(ace->Header.AceFlags & INHERITED_ACE) &&
        (ace->Mask & KEY_SET_VALUE) && EqualSid(&ace->SidStart, users.data())) {
      grants.push_back(ace->Mask);
    }
  }
  return grants;
}

// Gives the key an access list of its own, inheriting nothing: everyone gets `access`.
void AllowEveryone(const std::string& key, REGSAM access) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, WRITE_DAC | kView32, &handle), 0);
  std::vector<BYTE> everyone = Sid(WinWorldSid);
  std::vector<BYTE> acl(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE);
  InitializeAcl(reinterpret_cast<PACL>(acl.data()), static_cast<DWORD>(acl.size()), ACL_REVISION);
  AddAccessAllowedAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION, access, everyone.data());
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE);
  EXPECT_EQ(
      RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        &descriptor),
      0);
  RegCloseKey(handle);
}

TEST(SettingsKeyAccessTest, SharingGrantsUsersReadAndWriteOnceInThe32BitView) {
  const std::string key = TestKey("Shared");
  for (const char* run : {"first install", "reinstall: no second entry"}) {
    ASSERT_EQ(ShareSettingsKey(key), "") << run;
    const std::vector<DWORD> grants = UsersWriteGrants(key);
    ASSERT_EQ(grants.size(), 1u) << run;
    EXPECT_EQ(grants[0] & (KEY_READ | KEY_WRITE), DWORD{KEY_READ | KEY_WRITE}) << run;
  }
  HKEY other = nullptr;
  if (Is64BitWindows()) {
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &other),
              0)
        << "the key belongs in the 32-bit view only";
  } else {
    std::cout << "32-bit Windows: one registry view, so the 32-bit view was not told apart here\n";
  }
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), kView32, 0);
}

TEST(SettingsKeyAccessTest, KeyWithoutWriteAccessLoadsAndEveryStoreFails) {
  const std::string key = TestKey("ReadOnly");
  HKEY raw = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE | kView32,
                            nullptr, &raw, nullptr),
            0);
  const DWORD frequency = 4000;
  RegSetValueExA(raw, "Buzzer Frequency (Hz)", 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&frequency), sizeof frequency);
  RegCloseKey(raw);
  AllowEveryone(key, KEY_READ);
  FakeLogSink log;
  FakeSystemParameters system;
  FakeWindowService windows;
  {
    RegistryStore store(key);
    TouchSettings settings({store, system, windows});
    EXPECT_EQ(settings.Load(), 1) << "opened for reading";
    EXPECT_EQ(settings.GetBuzzerFrequency(), 4000) << "the stored value was read";
    // Rows: the store's result, legend.
    const struct {
      int32_t result;
      const char* legend;
    } stores[] = {
        {settings.SaveBuzzerFrequency(3000), "the setup dialog's OK"},
        {settings.SaveSerialPort(3), "the port found by the scan"},
        {settings.SaveRightClickEnabled(1), "the panel's Right click"},
        {settings.SaveLeftTop(200, 200), "a calibration corner"},
    };
    for (const auto& row : stores) EXPECT_EQ(row.result, -120) << row.legend;
    EXPECT_EQ(settings.ReadBuzzerFrequency(), 4000) << "nothing was changed";
    int readOnlyLines = 0;
    for (const std::string& line : log.Lines()) {
      readOnlyLines += line.find("read-only") != std::string::npos &&
                       line.find("--share-settings") != std::string::npos;
    }
    EXPECT_EQ(readOnlyLines, 1) << "said once, with the remedy";
  }
  AllowEveryone(key, KEY_READ | KEY_WRITE | DELETE);
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), kView32, 0);
}

}  // namespace
}  // namespace tavrel
