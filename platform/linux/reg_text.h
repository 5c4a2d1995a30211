#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// The encodings a registry export file comes in: UTF-8 (or plain ASCII) as this program writes
// it, and UTF-16 with a byte-order mark as Windows' registry editor writes it.
enum class TextEncoding { kUtf8, kUtf16LittleEndian, kUtf16BigEndian };

struct DecodedText {
  std::string text;  // UTF-8, without a UTF-16 byte-order mark
  TextEncoding encoding = TextEncoding::kUtf8;
};

// The file's bytes as UTF-8 text. A UTF-16 file is recognised by its byte-order mark; unpaired
// surrogates pass through in the 3-byte form, so that EncodeRegText gives back the same bytes.
// Nothing for a UTF-16 file of an odd length, which cannot be written back unchanged.
std::optional<DecodedText> DecodeRegText(std::string_view bytes);
// The text in the given encoding, with the byte-order mark for UTF-16.
std::string EncodeRegText(std::string_view text, TextEncoding encoding);

}  // namespace tavrel
