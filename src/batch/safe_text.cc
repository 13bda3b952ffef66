#include "batch/safe_text.h"

#include <algorithm>

namespace q9 {

std::string SafeText(std::string_view text, std::size_t max_chars) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string safe;
  safe.reserve(std::min(text.size(), max_chars) + 3);
  std::size_t chars = 0;
  std::size_t plain = 0;  // where the bytes not yet copied start; they need no escape
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool continues = (byte & 0xC0) == 0x80;  // UTF-8 continuation byte
    if (!continues && chars++ == max_chars) {
      safe.append(text.substr(plain, i - plain)).append("...");
      return safe;
    }
    const bool control = (byte < 0x20 && byte != '\t') || byte == 0x7F;
    if (!control) continue;
    safe.append(text.substr(plain, i - plain));
    plain = i + 1;
    if (byte == '\r') {
      safe += "\\r";
    } else if (byte == 0x1B) {
      safe += "\\e";
    } else {
      safe += "\\x";
      safe += kHex[byte >> 4];
      safe += kHex[byte & 0xF];
    }
  }
  safe.append(text.substr(plain));
  return safe;
}

}  // namespace q9
