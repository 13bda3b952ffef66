#include "console/word_reader.h"

#include <limits>

namespace q9 {
namespace {

bool IsWhitespace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::string ReadPathWord(std::istream& in, std::string_view default_path) {
  using Traits = std::istream::traits_type;
  int c = in.peek();
  while (c != Traits::eof() && IsWhitespace(c)) {
    if (c == '\n') return std::string(default_path);
    in.get();
    c = in.peek();
  }
  std::string word;
  while (c != Traits::eof() && !IsWhitespace(c)) {
    word.push_back(static_cast<char>(in.get()));
    c = in.peek();
  }
  in.clear();  // an end of input after the word is no error to the later key read
  return word;
}

void ReadKeyFromStream(std::istream& in) {
  in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  in.get();
}

}  // namespace q9
