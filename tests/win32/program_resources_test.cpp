// tavrel.exe's own resources, as Explorer and the file's properties read them.
#include <windows.h>
// After windows.h.
#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tavrel_version.h"

namespace tavrel {
namespace {

constexpr int kIconGroup = 128;

TEST(ProgramResourcesTest, ExplorerFindsTheIconGroupWithItsThreeSizes) {
  EXPECT_GE(ExtractIconExA(TAVREL_PROGRAM, -1, nullptr, nullptr, 0), 1u);
  HMODULE module = LoadLibraryExA(TAVREL_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << TAVREL_PROGRAM;
  // The group's directory: 6 bytes of header, then 14 bytes per image, the side first.
  HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(kIconGroup), MAKEINTRESOURCEA(14));
  ASSERT_NE(group, nullptr);
  const auto* directory = static_cast<const uint8_t*>(LockResource(LoadResource(module, group)));
  ASSERT_NE(directory, nullptr);
  ASSERT_EQ(SizeofResource(module, group), 6u + 3 * 14);
  EXPECT_EQ(directory[4], 3);
  const int sizes[] = {16, 32, 48};
  for (int i = 0; i < 3; ++i) {
    const int size = sizes[i];
    EXPECT_EQ(directory[6 + 14 * i], size);
    HANDLE icon = LoadImageA(module, MAKEINTRESOURCEA(kIconGroup), IMAGE_ICON, size, size, 0);
    EXPECT_NE(icon, nullptr) << size;
    if (icon != nullptr) DestroyIcon(static_cast<HICON>(icon));
  }
  FreeLibrary(module);
}

TEST(ProgramResourcesTest, VersionResourceHoldsTheProjectsVersion) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(TAVREL_PROGRAM, &ignored);
  ASSERT_GT(size, 0u) << TAVREL_PROGRAM;
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(TAVREL_PROGRAM, 0, size, data.data()));
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", &value, &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  for (auto [high, low] : {std::pair{fixed->dwFileVersionMS, fixed->dwFileVersionLS},
                           std::pair{fixed->dwProductVersionMS, fixed->dwProductVersionLS}}) {
    char text[40];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(high), LOWORD(high), HIWORD(low),
                  LOWORD(low));
    EXPECT_EQ(text, std::string(kTavrelVersion) + ".0");
  }
  struct Row {
    const char* name;
    std::string expected;
  };
  const Row rows[] = {
      {"ProductName", "Tavrel"},          {"FileDescription", "Tavrel touch-screen manager"},
      {"ProductVersion", kTavrelVersion}, {"FileVersion", kTavrelVersion},
      {"OriginalFilename", "tavrel.exe"},
  };
  for (const Row& row : rows) {
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + row.name;
    ASSERT_TRUE(VerQueryValueA(data.data(), path.c_str(), &value, &length)) << row.name;
    EXPECT_EQ(static_cast<const char*>(value), row.expected) << row.name;
  }
}

}  // namespace
}  // namespace tavrel
