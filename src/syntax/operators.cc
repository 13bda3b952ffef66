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

}  // namespace

std::optional<Level> BinaryLevel(std::string_view token) {
  // Most tokens asked about are words or brackets: their first byte says so.
  if (token.empty() || token.size() > 3) return std::nullopt;
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
