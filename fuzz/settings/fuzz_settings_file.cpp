// Any file text parses; a written value always reads back, and the text around it survives.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/reg_file.h"

namespace {
constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tavrel::RegFile file(kKey, text);
  file.Read("Serial Port");
  file.Read("Buzzer Frequency (Hz)");
  const int32_t value = static_cast<int32_t>(size * 2654435761u);
  file.Write("Serial Port", value);
  file.Write("Click Value X", -130);
  tavrel::RegFile again(kKey, file.Text());
  if (again.Read("Serial Port") != value || again.Read("Click Value X") != -130) std::abort();
  return 0;
}
