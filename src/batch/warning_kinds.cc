#include "batch/warning_kinds.h"

namespace q9 {

std::size_t KindIndex(HazardKind kind) {
  for (std::size_t i = 0; i < kHazardKinds.size(); ++i) {
    if (kHazardKinds[i] == kind) return i;
  }
  return 0;
}

std::string KnownKindList() {
  std::string list;
  for (const HazardKind kind : kHazardKinds) {
    if (!list.empty()) list += ", ";
    list += HazardSlug(kind);
  }
  return list;
}

Status ApplyKindList(std::string_view list, bool add, WarningKinds* kinds) {
  if (list == "all" || list == "none") {
    if (add) *kinds = list == "all" ? WarningKinds().set() : WarningKinds();
    if (!add && list == "all") kinds->reset();
    return Status();
  }
  WarningKinds named;
  while (true) {
    const std::size_t comma = list.find(',');
    const std::string_view slug = list.substr(0, comma);
    std::size_t i = 0;
    while (i < kHazardKinds.size() && HazardSlug(kHazardKinds[i]) != slug) ++i;
    if (i == kHazardKinds.size()) {
      return Status::Error("unknown warning kind \"" + std::string(slug) +
                           "\" (known: all, none, " + KnownKindList() + ")");
    }
    named.set(i);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  *kinds = add ? named : *kinds & ~named;
  return Status();
}

}  // namespace q9
