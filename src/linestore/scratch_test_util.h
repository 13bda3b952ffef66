#ifndef Q9_LINESTORE_SCRATCH_TEST_UTIL_H_
#define Q9_LINESTORE_SCRATCH_TEST_UTIL_H_

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "gtest/gtest.h"

namespace q9 {

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every name in |dir| and below, sorted, with forward slashes: shows any temporary left.
inline std::vector<std::string> ListTree(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    names.push_back(entry.path().lexically_relative(dir).generic_string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh folder for each test, also the working directory, so bare names are exercised.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  std::string At(std::string_view name) const { return (dir_ / name).string(); }

  const std::filesystem::path previous_ = std::filesystem::current_path();
  const std::filesystem::path dir_ =
      std::filesystem::temp_directory_path() / ("q9." + std::to_string(std::random_device{}()));
};

}  // namespace q9

#endif  // Q9_LINESTORE_SCRATCH_TEST_UTIL_H_
