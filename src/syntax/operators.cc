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
  for (const auto& [text, level] : kBinary) {
    if (text == token) return level;
  }
  return std::nullopt;
}

bool IsAssociative(std::string_view op) {
  return op == "+" || op == "*" || op == "&" || op == "|" || op == "^" || op == "&&" || op == "||";
}

}  // namespace q9
