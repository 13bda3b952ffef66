#include "batch/safe_text.h"

namespace q9 {

std::string SafeText(std::string_view text, std::size_t max_chars) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string safe;
  std::size_t chars = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool continues = (byte & 0xC0) == 0x80;  // UTF-8 continuation byte
    if (!continues && chars++ == max_chars) return safe + "...";
    if (byte == '\r') {
      safe += "\\r";
    } else if (byte == 0x1B) {
      safe += "\\e";
    } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
      safe += "\\x";
      safe += kHex[byte >> 4];
      safe += kHex[byte & 0xF];
    } else {
      safe += c;
    }
  }
  return safe;
}

}  // namespace q9
