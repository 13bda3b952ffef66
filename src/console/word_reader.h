#ifndef Q9_CONSOLE_WORD_READER_H_
#define Q9_CONSOLE_WORD_READER_H_

#include <istream>
#include <string>

namespace q9 {

// Reads the path the user types: skips whitespace, then takes every byte up to
// the next whitespace byte or the end of input, which stays unread. A line feed
// met before any word means Enter alone and gives |default_path|, the line feed
// left unread. The end of input before any word gives the empty string.
std::string ReadPathWord(std::istream& in, std::string_view default_path);

// The pause before the program ends, for input that is not a terminal: drops
// what is left of the line that held the path, its line feed included, then
// takes one byte. The end of input ends the wait at once.
void ReadKeyFromStream(std::istream& in);

}  // namespace q9

#endif  // Q9_CONSOLE_WORD_READER_H_
