#include "platform/linux/reg_text.h"

#include <cstdint>

namespace tavrel {

namespace {

constexpr std::string_view kLittleEndianMark = "\xFF\xFE";
constexpr std::string_view kBigEndianMark = "\xFE\xFF";

uint8_t Byte(std::string_view bytes, size_t i) { return static_cast<uint8_t>(bytes[i]); }

uint32_t Unit(std::string_view bytes, size_t i, bool bigEndian) {
  const uint32_t first = Byte(bytes, i), second = Byte(bytes, i + 1);
  return bigEndian ? (first << 8) | second : (second << 8) | first;
}

void AppendUtf8(std::string& out, uint32_t code) {
  const auto add = [&](uint32_t byte) { out += static_cast<char>(byte); };
  if (code < 0x80) {
    add(code);
  } else if (code < 0x800) {
    add(0xC0 | (code >> 6));
    add(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    add(0xE0 | (code >> 12));
    add(0x80 | ((code >> 6) & 0x3F));
    add(0x80 | (code & 0x3F));
  } else {
    add(0xF0 | (code >> 18));
    add(0x80 | ((code >> 12) & 0x3F));
    add(0x80 | ((code >> 6) & 0x3F));
    add(0x80 | (code & 0x3F));
  }
}

void AppendUnit(std::string& out, uint32_t unit, bool bigEndian) {
  const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
  out += bigEndian ? high : low;
  out += bigEndian ? low : high;
}

void AppendUtf16(std::string& out, uint32_t code, bool bigEndian) {
  if (code < 0x10000) return AppendUnit(out, code, bigEndian);
  code -= 0x10000;
  AppendUnit(out, 0xD800 | (code >> 10), bigEndian);
  AppendUnit(out, 0xDC00 | (code & 0x3FF), bigEndian);
}

// The code point at text[i] and its length in bytes. The text comes from DecodeRegText or from
// the program's own ASCII lines; a stray byte stands for itself (as Latin-1).
std::pair<uint32_t, size_t> NextCode(std::string_view text, size_t i) {
  const uint32_t lead = Byte(text, i);
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (length == 1 || i + length > text.size()) return {lead, 1};
  uint32_t code = lead & (0x3F >> (length - 1));
  for (size_t k = 1; k < length; ++k) {
    const uint32_t next = Byte(text, i + k);
    if ((next & 0xC0) != 0x80) return {lead, 1};
    code = (code << 6) | (next & 0x3F);
  }
  return {code, length};
}

}  // namespace

std::optional<DecodedText> DecodeRegText(std::string_view bytes) {
  const bool little = bytes.starts_with(kLittleEndianMark);
  if (!little && !bytes.starts_with(kBigEndianMark)) {
    return DecodedText{std::string(bytes), TextEncoding::kUtf8};
  }
  if (bytes.size() % 2 != 0) return std::nullopt;
  DecodedText decoded{{},
                      little ? TextEncoding::kUtf16LittleEndian : TextEncoding::kUtf16BigEndian};
  decoded.text.reserve(bytes.size() / 2);
  for (size_t i = 2; i < bytes.size(); i += 2) {
    uint32_t code = Unit(bytes, i, !little);
    const bool high = code >= 0xD800 && code < 0xDC00;
    if (high && i + 3 < bytes.size()) {
      const uint32_t low = Unit(bytes, i + 2, !little);
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(decoded.text, code);
  }
  return decoded;
}

std::string EncodeRegText(std::string_view text, TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf8) return std::string(text);
  const bool bigEndian = encoding == TextEncoding::kUtf16BigEndian;
  std::string out(bigEndian ? kBigEndianMark : kLittleEndianMark);
  out.reserve(2 + text.size() * 2);
  for (size_t i = 0; i < text.size();) {
    const auto [code, length] = NextCode(text, i);
    AppendUtf16(out, code, bigEndian);
    i += length;
  }
  return out;
}

}  // namespace tavrel
