#include "platform/win32/settings_key_sharing.h"

#include <aclapi.h>
#include <windows.h>

#include <memory>
#include <vector>

namespace tavrel {

namespace {

constexpr DWORD kUsersAccess = KEY_READ | KEY_WRITE;

std::string Failure(const char* what, LONG code) {
  return std::string(what) + " failed with Win32 error " + std::to_string(code);
}

// Whether the list already has the key's own entry granting the group kUsersAccess: a reinstall
// then leaves the list as it is rather than adding the same entry again.
bool Grants(PACL dacl, PSID group) {
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)) &&
        ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
        (ace->Header.AceFlags & (INHERITED_ACE | INHERIT_ONLY_ACE)) == 0 &&
        (ace->Mask & kUsersAccess) == kUsersAccess && EqualSid(&ace->SidStart, group)) {
      return true;
    }
  }
  return false;
}

// The key's discretionary access list with Users granted kUsersAccess, merged with what is there.
std::string GrantUsers(HKEY key) {
  DWORD size = 0;
  RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
  std::vector<BYTE> current(size);
  LONG result = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, current.data(), &size);
  if (result != ERROR_SUCCESS) return Failure("Reading the key's security", result);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(current.data(), &present, &dacl, &defaulted);

  // A well-known SID: the group's name differs with the system's language.
  BYTE users[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof users;
  if (!CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &sidSize)) {
    return Failure("Making the Users group's SID", static_cast<LONG>(GetLastError()));
  }
  if (present && Grants(dacl, users)) return "";
  EXPLICIT_ACCESS_A grant{};
  grant.grfAccessPermissions = kUsersAccess;
  grant.grfAccessMode = GRANT_ACCESS;
  grant.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  grant.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  grant.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  grant.Trustee.ptstrName = reinterpret_cast<LPSTR>(users);
  PACL merged = nullptr;
  result = static_cast<LONG>(SetEntriesInAclA(1, &grant, present ? dacl : nullptr, &merged));
  if (result != ERROR_SUCCESS) return Failure("Adding the Users group's entry", result);
  std::unique_ptr<ACL, decltype(&LocalFree)> owned(merged, LocalFree);

  SECURITY_DESCRIPTOR updated;
  InitializeSecurityDescriptor(&updated, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&updated, TRUE, merged, FALSE);
  result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &updated);
  return result == ERROR_SUCCESS ? "" : Failure("Setting the key's security", result);
}

}  // namespace

std::string ShareSettingsKey(const std::string& subKey) {
  HKEY key = nullptr;
  const LONG result = RegCreateKeyExA(
      HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
      KEY_READ | READ_CONTROL | WRITE_DAC | KEY_WOW64_32KEY, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) {
    return Failure(("Creating HKEY_LOCAL_MACHINE\\" + subKey + " (as an administrator?)").c_str(),
                   result);
  }
  std::string failure = GrantUsers(key);
  RegCloseKey(key);
  return failure;
}

}  // namespace tavrel
