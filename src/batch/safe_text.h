#ifndef Q9_BATCH_SAFE_TEXT_H_
#define Q9_BATCH_SAFE_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace q9 {

// Script text (or a path) as a message may show it on a terminal: control
// bytes other than the tab become "\r", "\e" or "\xHH", and text of more than
// |max_chars| characters is cut there and ends in "...", so that a binary file
// cannot put escape sequences or megabytes on the screen. A character is a byte
// that does not continue a UTF-8 sequence; other bytes pass through as they are.
inline constexpr std::size_t kShownChars = 200;
std::string SafeText(std::string_view text, std::size_t max_chars = kShownChars);

// A path as a message shows it: escaped like SafeText, never cut.
inline std::string SafePath(std::string_view path) { return SafeText(path, std::string_view::npos); }

}  // namespace q9

#endif  // Q9_BATCH_SAFE_TEXT_H_
