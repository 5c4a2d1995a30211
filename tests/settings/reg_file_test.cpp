#include "platform/linux/reg_file.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel";

TEST(RegFileTest, ReadsOnlyDwordsOfTheKey) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
      "\"Serial Port\"=dword:00000009\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel]\r\n"
      "\"Serial Port\"=dword:00000005\r\n"
      "\"Buzzer Frequency (Hz)\"=dword:ffffff7e\r\n"
      "\"Mouse Tracking\"=hex:01,00,00,00\r\n"
      "\"X Movement Filter\"=\"110\"\r\n"
      "\"Y Movement Filter\"=dword:1\r\n"
      "\"Double Click Delay\"=dword:000000000\r\n"
      "\"Click Value X\"=dword:0000zz00\r\n"
      "  \"Esc\\\"aped\"=dword:0000000A  \n";
  RegFile file(kKey, text);
  struct Row {
    const char* name;
    std::optional<int32_t> value;
  };
  const Row rows[] = {
      {"Serial Port", 5},
      {"Buzzer Frequency (Hz)", -130},
      {"Mouse Tracking", std::nullopt},
      {"X Movement Filter", std::nullopt},
      {"Y Movement Filter", 1},
      {"Double Click Delay", std::nullopt},
      {"Click Value X", std::nullopt},
      {"Esc\"aped", 10},
      {"Missing", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(file.Read(row.name), row.value) << row.name;
}

TEST(RegFileTest, WriteReplacesInPlaceAndKeepsOtherLines) {
  const std::string text =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel]\n"
      "; a comment someone left\n"
      "\"Mouse Tracking\"=hex:01\n"
      "\"Serial Port\"=dword:00000005\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
      "\"Keep\"=dword:00000001\n";
  RegFile file(kKey, text);
  file.Write("Serial Port", 3);
  file.Write("Mouse Tracking", 1);
  file.Write("Buzzer Frequency (Hz)", -130);
  EXPECT_EQ(file.Text(),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel]\n"
            "; a comment someone left\n"
            "\"Mouse Tracking\"=dword:00000001\n"
            "\"Serial Port\"=dword:00000003\n"
            "\"Buzzer Frequency (Hz)\"=dword:ffffff7e\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
            "\"Keep\"=dword:00000001\n");
}

TEST(RegFileTest, WriteAddsTheKeyWhereThereIsNone) {
  struct Row {
    const char* legend;
    std::string before;
    std::string after;
  };
  const std::string tail =
      "[HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel]\n\"Serial Port\"=dword:00000005\n";
  const Row rows[] = {
      {"empty file", "", "Windows Registry Editor Version 5.00\n\n" + tail},
      {"garbage is kept", "\x01\x02garbage\nmore", "\x01\x02garbage\nmore\n\n" + tail},
      {"torn key line", "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MA",
       "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MA\n\n" + tail},
  };
  for (const Row& row : rows) {
    RegFile file(kKey, row.before);
    file.Write("Serial Port", 5);
    EXPECT_EQ(file.Text(), row.after) << row.legend;
    EXPECT_EQ(RegFile(kKey, file.Text()).Read("Serial Port"), 5) << row.legend;
  }
}

TEST(RegFileTest, KeyNamesIgnoreCase) {
  RegFile file(kKey, "[hkey_local_machine\\SOFTWARE\\morvane\\tavrel]\n\"A\"=dword:00000002\n");
  EXPECT_EQ(file.Read("A"), 2);
}

}  // namespace
}  // namespace tavrel
