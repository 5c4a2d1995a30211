#include "platform/win32/registry_store.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace tavrel {
namespace {

// Rows: value name, value, legend.
const struct {
  const char* name;
  int32_t value;
  const char* legend;
} kValues[] = {
    {"Serial Port", 5, "an ordinary setting"},
    {"Zero", 0, "zero is a value, not a missing one"},
    {"Negative", -130, "negative values keep their sign"},
    {"Lowest", INT32_MIN, "the lowest 32-bit value"},
    {"Highest", INT32_MAX, "the highest 32-bit value"},
};

constexpr char kKeyVariable[] = "TAVREL_TEST_REGISTRY_KEY";

std::string TestKey() {
  return std::string(RegistryStore::kDefaultKey) + "Test" + std::to_string(GetCurrentProcessId());
}

// Runs this program again, as a restarted program would read the key; its exit status.
DWORD RunAgain(const std::string& key, const char* filter) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string command = std::string("\"") + self + "\" --gtest_filter=" + filter;
  SetEnvironmentVariableA(kKeyVariable, key.c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 1000;
  }
  DWORD status = 1001;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &status);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  SetEnvironmentVariableA(kKeyVariable, nullptr);
  return status;
}

TEST(RegistryStoreTest, ValuesRoundTripAndSurviveARestart) {
  const std::string key = TestKey();
  {
    RegistryStore store(key);
    ASSERT_TRUE(store.Open());
    for (const auto& row : kValues) {
      EXPECT_TRUE(store.Write(row.name, row.value)) << row.legend;
      EXPECT_EQ(store.Read(row.name), row.value) << row.legend;
    }
    EXPECT_TRUE(store.Close());
  }
  EXPECT_EQ(RunAgain(key, "RegistryStoreTest.ReadsWhatAnEarlierRunWrote"), 0u);
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_32KEY, 0);
}

// The second half of the test above, in a program of its own.
TEST(RegistryStoreTest, ReadsWhatAnEarlierRunWrote) {
  const char* key = std::getenv(kKeyVariable);
  if (key == nullptr) GTEST_SKIP() << "run by ValuesRoundTripAndSurviveARestart";
  RegistryStore store(key);
  ASSERT_TRUE(store.Open());
  for (const auto& row : kValues) EXPECT_EQ(store.Read(row.name), row.value) << row.legend;
}

TEST(RegistryStoreTest, UnreadableValuesAndAClosedStore) {
  const std::string key = TestKey() + "Odd";
  RegistryStore store(key);
  EXPECT_FALSE(store.Read("Serial Port")) << "not open yet";
  EXPECT_FALSE(store.Write("Serial Port", 1)) << "not open yet";
  ASSERT_TRUE(store.Open());
  HKEY raw = nullptr;
  // The store's view: the 32-bit one, also for the 64-bit build.
  ASSERT_EQ(
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &raw), 0);
  const char text[] = "5";
  RegSetValueExA(raw, "Typed", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  const uint16_t shortValue = 5;
  RegSetValueExA(raw, "Short", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&shortValue),
                 sizeof shortValue);
  RegCloseKey(raw);
  // Rows: value name, legend.
  const struct {
    const char* name;
    const char* legend;
  } unreadable[] = {{"Missing", "never written"},
                    {"Typed", "a string, as a hand edit may leave"},
                    {"Short", "two bytes of binary data"}};
  for (const auto& row : unreadable) EXPECT_FALSE(store.Read(row.name)) << row.legend;
  EXPECT_TRUE(store.Close());
  EXPECT_FALSE(store.Close()) << "closed twice";
  EXPECT_FALSE(store.Read("Typed")) << "closed";
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_32KEY, 0);
}

}  // namespace
}  // namespace tavrel
