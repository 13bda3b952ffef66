#include "linestore/allocator_tunables.h"

#include <optional>
#include <string>
#include <utility>

#include "gtest/gtest.h"

namespace q9 {
namespace {

TEST(AllocatorTunablesTest, EachAddedUnlessTheUserNamedIt) {
  const std::string kHuge = "glibc.malloc.hugetlb=1";
  const std::string kRest =
      "glibc.malloc.mmap_threshold=4194304:glibc.malloc.trim_threshold=67108864";
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {nullptr, kHuge + ":" + kRest},
      {"", kHuge + ":" + kRest},
      {"glibc.malloc.arena_max=2", "glibc.malloc.arena_max=2:" + kHuge + ":" + kRest},
      {"glibc.malloc.hugetlbx=1", "glibc.malloc.hugetlbx=1:" + kHuge + ":" + kRest},
      {"glibc.malloc.hugetlb=0", "glibc.malloc.hugetlb=0:" + kRest},
      {"a=1:glibc.malloc.hugetlb=2:b=3", "a=1:glibc.malloc.hugetlb=2:b=3:" + kRest},
      {"glibc.malloc.trim_threshold=0",
       "glibc.malloc.trim_threshold=0:" + kHuge + ":glibc.malloc.mmap_threshold=4194304"},
      {"glibc.malloc.hugetlb=0:glibc.malloc.mmap_threshold=1:glibc.malloc.trim_threshold=2",
       std::nullopt},
  };
  for (const auto& [current, wanted] : cases) {
    EXPECT_EQ(TunablesForLargeScripts(current), wanted) << (current ? current : "unset");
  }
}

}  // namespace
}  // namespace q9
