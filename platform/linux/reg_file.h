#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// The text of a registry export file, line by line. Only the dword values of one key are
// understood; every other line is kept as it stands, so a file edited by hand, or a damaged
// one, loses nothing when a value is written.
class RegFile {
 public:
  static constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

  RegFile(std::string keyPath, std::string_view text);

  // The dword under this name in the key, or nothing when it is missing or of another type.
  std::optional<int32_t> Read(std::string_view name) const;
  // Replaces the line of this name in the key, or adds one at the end of the key.
  void Write(std::string_view name, int32_t value);
  // Adds the header and the key when the file has no such key; returns the key's end.
  size_t EnsureKey();
  std::string Text() const;

 private:
  struct ValueLine {
    size_t line;
    std::string_view data;  // what follows '=', into lines_
  };
  std::optional<ValueLine> Find(std::string_view name) const;
  // Index one past the key's last line, or nothing when the file has no such key.
  std::optional<size_t> EndOfKey() const;
  bool IsKeyLine(std::string_view line) const;

  std::string keyLine_;
  std::vector<std::string> lines_;  // without their '\n'
  std::string newLineEnding_;       // before the '\n' of an added line: "" or "\r"
};

}  // namespace tavrel
