// Written by hand rather than with a JSON library: the report must carry paths
// and script text that are often Latin-1, not UTF-8, which the libraries either
// refuse or replace with U+FFFD. What is left after that mapping is a few escapes.
#include "batch/json_report.h"

#include "batch/report.h"

namespace q9 {
namespace {

// The length of the valid UTF-8 sequence at the start of |text|, or 0.
std::size_t Utf8Length(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string JsonString(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string json = "\"";
  while (!bytes.empty()) {
    const auto byte = static_cast<unsigned char>(bytes[0]);
    std::size_t taken = 1;
    if (byte == '"' || byte == '\\') {
      json += '\\';
      json += static_cast<char>(byte);
    } else if (byte == '\n') {
      json += "\\n";
    } else if (byte == '\r') {
      json += "\\r";
    } else if (byte == '\t') {
      json += "\\t";
    } else if (byte < 0x20) {
      json += "\\u00";
      json += kHex[byte >> 4];
      json += kHex[byte & 0xF];
    } else if (byte < 0x80) {
      json += static_cast<char>(byte);
    } else if (const std::size_t length = Utf8Length(bytes); length > 0) {
      json.append(bytes.substr(0, length));
      taken = length;
    } else {  // Latin-1: U+0080..U+00FF in two UTF-8 bytes
      json += static_cast<char>(0xC0 | (byte >> 6));
      json += static_cast<char>(0x80 | (byte & 0x3F));
    }
    bytes.remove_prefix(taken);
  }
  return json + "\"";
}

void WriteJsonWarnings(const FileReport& report, const TextSink& write) {
  PieceWriter out(write);
  const std::string path = JsonString(report.path);
  for (const Hazard& warning : report.warnings) {
    out << "{\"path\":" << path << ",\"line\":" << std::to_string(warning.line + 1)
        << ",\"kind\":" << JsonString(HazardSlug(warning.kind))
        << ",\"message\":" << JsonString(WarningMessage(warning)) << "}\n";
  }
  out.Flush();
}

}  // namespace q9
