#include "syntax/old_calls.h"

#include <array>

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

}  // namespace

const OldCall* FindOldCall(std::string_view name) {
  for (const OldCall& call : kOldCalls) {
    if (call.name == name) return &call;
  }
  return nullptr;
}

std::span<const OldCall> OldCalls() { return kOldCalls; }

}  // namespace q9
