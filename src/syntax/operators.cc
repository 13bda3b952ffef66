#include "syntax/operators.h"

#include <array>
#include <utility>

namespace q9 {
namespace {

constexpr std::array<std::pair<std::string_view, Level>, 32> kBinary = {{
    {"**", kPowerLevel},     {"*", kMultiplyLevel},   {"/", kMultiplyLevel},
    {"%", kMultiplyLevel},   {"+", kAdditiveLevel},   {"-", kAdditiveLevel},
    {"<<", kShiftLevel},     {">>", kShiftLevel},     {"<", kRelationLevel},
    {"<=", kRelationLevel},  {">", kRelationLevel},   {">=", kRelationLevel},
    {"==", kEqualityLevel},  {"!=", kEqualityLevel},  {"S=", kEqualityLevel},
    {"eq", kEqualityLevel},  {"&", kBitAndLevel},     {"^", kBitXorLevel},
    {"|", kBitOrLevel},      {"&&", kAndLevel},       {"||", kOrLevel},
    {"=", kAssignLevel},     {"+=", kAssignLevel},    {"-=", kAssignLevel},
    {"*=", kAssignLevel},    {"/=", kAssignLevel},    {"%=", kAssignLevel},
    {"&=", kAssignLevel},    {"|=", kAssignLevel},    {"^=", kAssignLevel},
    {"<<=", kAssignLevel},   {">>=", kAssignLevel},
}};

// The level of each one-byte operator, or 0: most tokens asked about are one
// byte long, brackets and separators mostly.
constexpr std::array<int, 256> kOneByte = [] {
  std::array<int, 256> levels{};
  for (const auto& [text, level] : kBinary) {
    if (text.size() == 1) levels[static_cast<unsigned char>(text[0])] = level;
  }
  return levels;
}();

}  // namespace

std::optional<Level> BinaryLevel(std::string_view token) {
  if (token.size() == 1) {
    const int level = kOneByte[static_cast<unsigned char>(token[0])];
    if (level == 0) return std::nullopt;
    return static_cast<Level>(level);
  }
  // Words are asked about too: their first byte says so.
  if (token.size() < 2 || token.size() > 3) return std::nullopt;
  switch (token[0]) {
    case '*': case '/': case '%': case '+': case '-': case '<': case '>': case '=':
    case '!': case 'S': case 'e': case '&': case '^': case '|':
      break;
    default:
      return std::nullopt;
  }
  for (const auto& [text, level] : kBinary) {
    if (text.size() == token.size() && text[0] == token[0] && text == token) return level;
  }
  return std::nullopt;
}

bool IsAssociative(std::string_view op) {
  return op == "+" || op == "*" || op == "&" || op == "|" || op == "^" || op == "&&" || op == "||";
}

}  // namespace q9
