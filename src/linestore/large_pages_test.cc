#include "linestore/large_pages.h"

#include <optional>
#include <string>
#include <utility>

#include "gtest/gtest.h"

namespace q9 {
namespace {

TEST(LargePagesTest, TunableAddedUnlessTheUserNamedIt) {
  const std::string kOn = "glibc.malloc.hugetlb=1";
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {nullptr, kOn},
      {"", kOn},
      {"glibc.malloc.arena_max=2", "glibc.malloc.arena_max=2:" + kOn},
      {"glibc.malloc.hugetlbx=1", "glibc.malloc.hugetlbx=1:" + kOn},
      {"glibc.malloc.hugetlb=0", std::nullopt},
      {"a=1:glibc.malloc.hugetlb=2:b=3", std::nullopt},
  };
  for (const auto& [current, wanted] : cases) {
    EXPECT_EQ(TunablesWithLargePages(current), wanted) << (current ? current : "unset");
  }
}

}  // namespace
}  // namespace q9
