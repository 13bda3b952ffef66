#include "console/word_reader.h"

#include <sstream>
#include <string>

#include "gtest/gtest.h"

namespace q9 {
namespace {

TEST(WordReaderTest, PathWordAndWhatTheKeyReadThenTakes) {
  struct Case {
    std::string input;
    std::string word;
    std::string after_key;  // what stays unread after the key read
  };
  const Case cases[] = {
      {"Script.c\nab", "Script.c", "b"},  // the key is the first byte of the next line
      {"my script.c\nxy", "my", "y"},     // the rest of the path's line is dropped
      {" \t\r\v\fx.c\nk!", "x.c", "!"},   // leading whitespace other than LF is skipped
      {"\nk!", "Script.c", "!"},          // Enter alone: its LF is the path's line end
      {"  \nk!", "Script.c", "!"},
      {"", "", ""},  // end of input before any word
      {"a\xF6\xFF\x01z rest\n", "a\xF6\xFF\x01z", ""},  // bytes are taken as they are
      {"x.c", "x.c", ""},                               // end of input right after the word
      {std::string(100000, 'w') + "\n", std::string(100000, 'w'), ""},  // no length limit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::istringstream in(c.input);
    EXPECT_EQ(ReadPathWord(in, "Script.c"), c.word);
    ReadKeyFromStream(in);
    std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(rest, c.after_key);
  }
}

}  // namespace
}  // namespace q9
