#include "syntax/old_calls.h"

#include <array>
#include <cstdint>

namespace q9 {
namespace {

using enum OldCallKind;

constexpr std::array<OldCall, 25> kOldCalls = {{
    {"Sum", kBinary, "+", "", 2},
    {"Sub", kBinary, "-", "", 2},
    {"Mul", kBinary, "*", "", 2},
    {"Div", kBinary, "/", "", 2},
    {"Mod", kBinary, "%", "", 2},
    {"Pow", kBinary, "**", "", 2},
    {"BitAnd", kBinary, "&", "", 2},
    {"Equal", kBinary, "==", "", 2},
    {"SEqual", kBinary, "S=", "", 2},
    {"GreaterThan", kBinary, ">", "", 2},
    {"LessThan", kBinary, "<", "", 2},
    {"And", kLogical, "&&", "", 2},
    {"Or", kLogical, "||", "", 2},
    {"Not", kNot, "!", "", 1},
    {"SetVar", kSetter, "=", "Var", 2},
    {"AssignVar", kSetter, "=", "Var", 2},
    {"SetLocal", kSetter, "=", "Local", 2},
    {"SetGlobal", kSetter, "=", "Global", 2},
    {"IncVar", kStep, "++", "Var", 1},
    {"DecVar", kStep, "--", "Var", 1},
    {"Inc", kStepAny, "++", "", 1},
    {"Dec", kStepAny, "--", "", 1},
    {"Var", kVariable, "", "Var", 1},
    {"Local", kVariable, "", "Local", 1},
    {"Global", kVariable, "", "Global", 1},
}};

// The calls by the size and first letter of their names, for a quick look-up:
// most words are no old call, and their size and first letter tell at once.
struct Index {
  std::array<std::array<std::int8_t, 26>, 12> first{};  // 1 + position in kOldCalls, or 0
  constexpr Index() {
    for (std::size_t i = 0; i < kOldCalls.size(); ++i) {
      const std::string_view name = kOldCalls[i].name;
      std::int8_t& slot = first[name.size()][static_cast<std::size_t>(name[0] - 'A')];
      if (slot == 0) slot = static_cast<std::int8_t>(i + 1);
    }
  }
};

constexpr Index kIndex;

}  // namespace

const OldCall* FindOldCall(std::string_view name) {
  if (name.size() < 2 || name.size() > 11 || name[0] < 'A' || name[0] > 'Z') return nullptr;
  const std::int8_t start = kIndex.first[name.size()][static_cast<std::size_t>(name[0] - 'A')];
  if (start == 0) return nullptr;
  for (std::size_t i = static_cast<std::size_t>(start - 1); i < kOldCalls.size(); ++i) {
    if (kOldCalls[i].name == name) return &kOldCalls[i];
  }
  return nullptr;
}

std::span<const OldCall> OldCalls() { return kOldCalls; }

}  // namespace q9
