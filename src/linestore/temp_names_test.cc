#include "linestore/temp_names.h"

#ifndef _WIN32

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "linestore/scratch_test_util.h"

namespace q9 {
namespace {

using TempNamesTest = ScratchTest;

// Saves at once each hold a slot of their own; the names still held when the
// program ends are removed, those released (renamed over their script) are not.
TEST_F(TempNamesTest, EachNameHasItsOwnSlotUntilTheEnd) {
  const int folder = open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  for (const char* name : {".a.tmp", ".b.tmp", ".c.tmp"}) WriteBytes(name, "");
  TempNames names;
  const int a = names.Claim(folder, ".a.tmp"), b = names.Claim(folder, ".b.tmp");
  const int c = names.Claim(folder, ".c.tmp");
  EXPECT_TRUE(a >= 0 && b >= 0 && c >= 0 && a != b && b != c && a != c) << a << b << c;
  names.Named(a);
  names.Named(c);
  names.Release(b);
  names.RemoveAll();
  EXPECT_EQ(ListTree(dir_), std::vector<std::string>{".b.tmp"});
  EXPECT_EQ(names.Claim(folder, ".d.tmp"), TempNames::kEnding);
  close(folder);
}

}  // namespace
}  // namespace q9

#endif  // _WIN32
