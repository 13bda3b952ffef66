#ifndef Q9_BATCH_WARNING_KINDS_H_
#define Q9_BATCH_WARNING_KINDS_H_

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

#include "linestore/status.h"
#include "hazards/hazard.h"

namespace q9 {

// A set of hazard kinds, one bit per entry of kHazardKinds, in its order.
using WarningKinds = std::bitset<kHazardKinds.size()>;

// The position of |kind| in kHazardKinds.
std::size_t KindIndex(HazardKind kind);

// Applies a command-line list to |*kinds|: "all", "none", or kind names
// (HazardSlug) separated by commas. With |add| the list is the new set ("all"
// and "none" mean what they say); without, the kinds named are taken out of it
// (--no-warn). An unknown name is an error that lists the known ones.
Status ApplyKindList(std::string_view list, bool add, WarningKinds* kinds);

// "name-in-word, not-a-call, ...": every kind, in kHazardKinds order.
std::string KnownKindList();

}  // namespace q9

#endif  // Q9_BATCH_WARNING_KINDS_H_
