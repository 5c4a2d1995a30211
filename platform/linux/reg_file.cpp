#include "platform/linux/reg_file.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace tavrel {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

bool IsSectionLine(std::string_view line) { return line.starts_with('['); }

// Splits `"name"=data` into its unescaped name and data; nothing when the line is not a value.
std::optional<std::pair<std::string, std::string_view>> SplitValueLine(std::string_view line) {
  line = Trim(line);
  if (!line.starts_with('"')) return std::nullopt;
  std::string name;
  size_t i = 1;
  for (; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    name += line[i];
  }
  if (i + 1 >= line.size() || line[i + 1] != '=') return std::nullopt;
  return std::make_pair(std::move(name), Trim(line.substr(i + 2)));
}

std::string Escape(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::optional<int32_t> ParseDword(std::string_view data) {
  constexpr std::string_view kPrefix = "dword:";
  if (!data.starts_with(kPrefix)) return std::nullopt;
  data.remove_prefix(kPrefix.size());
  if (data.empty() || data.size() > 8) return std::nullopt;
  uint32_t value = 0;
  auto [end, error] = std::from_chars(data.data(), data.data() + data.size(), value, 16);
  if (error != std::errc() || end != data.data() + data.size()) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::string FormatValueLine(std::string_view name, int32_t value) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", static_cast<uint32_t>(value));
  // Appended piece by piece: "literal" + std::string trips GCC 12's -Wrestrict in optimised
  // builds (a false alarm inside the library's insert).
  std::string line = "\"";
  line += Escape(name);
  line += "\"=dword:";
  line += hex;
  return line;
}

}  // namespace

RegFile::RegFile(std::string keyPath, std::string_view text) {
  keyLine_ = "[";
  keyLine_ += keyPath;
  keyLine_ += ']';
  // A line's carriage return stays with it, so that kept lines are written back as they were;
  // lines the program adds follow the first line's ending (regedit writes CR LF).
  while (!text.empty()) {
    size_t end = text.find('\n');
    lines_.emplace_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  if (!lines_.empty() && lines_.front().ends_with('\r')) newLineEnding_ = "\r";
}

bool RegFile::IsKeyLine(std::string_view line) const {
  line = Trim(line);
  if (line.size() != keyLine_.size()) return false;
  // Registry key names do not depend on case.
  for (size_t i = 0; i < line.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(line[i])) !=
        std::tolower(static_cast<unsigned char>(keyLine_[i]))) {
      return false;
    }
  }
  return true;
}

std::optional<RegFile::ValueLine> RegFile::Find(std::string_view name) const {
  bool inKey = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    if (IsSectionLine(Trim(line))) {
      inKey = IsKeyLine(line);
      continue;
    }
    if (!inKey) continue;
    auto value = SplitValueLine(line);
    if (value && value->first == name) return ValueLine{i, value->second};
  }
  return std::nullopt;
}

std::optional<size_t> RegFile::EndOfKey() const {
  std::optional<size_t> end;
  bool inKey = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (IsSectionLine(Trim(lines_[i]))) inKey = IsKeyLine(lines_[i]);
    if (inKey && !Trim(lines_[i]).empty()) end = i + 1;
  }
  return end;
}

std::optional<int32_t> RegFile::Read(std::string_view name) const {
  auto found = Find(name);
  if (!found) return std::nullopt;
  return ParseDword(found->data);
}

void RegFile::Write(std::string_view name, int32_t value) {
  std::string line = FormatValueLine(name, value);
  if (auto found = Find(name)) {
    if (lines_[found->line].ends_with('\r')) line += '\r';
    lines_[found->line] = std::move(line);
    return;
  }
  size_t end = EnsureKey();
  line += newLineEnding_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(end), std::move(line));
}

size_t RegFile::EnsureKey() {
  if (auto end = EndOfKey()) return *end;
  // Appended piece by piece, for GCC 12's -Wrestrict (see FormatValueLine).
  const auto addLine = [this](std::string_view text) {
    lines_.emplace_back(text);
    lines_.back() += newLineEnding_;
  };
  if (lines_.empty()) addLine(kHeader);
  if (!Trim(lines_.back()).empty()) addLine("");
  addLine(keyLine_);
  return lines_.size();
}

std::string RegFile::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += '\n';
  }
  return text;
}

}  // namespace tavrel
