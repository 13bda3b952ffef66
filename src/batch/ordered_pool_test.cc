#include "batch/ordered_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "gtest/gtest.h"

namespace q9 {
namespace {

// Every result in index order on the calling thread, worked on by at most |threads| others;
// a lone item by the calling thread itself.
TEST(RunOrderedTest, DeliversInIndexOrderOnTheCallingThread) {
  const std::pair<std::size_t, unsigned> cases[] = {{0, 4}, {1, 8}, {7, 0}, {40, 1}, {40, 7}};
  for (const auto& [count, threads] : cases) {
    SCOPED_TRACE(std::to_string(count) + " items on " + std::to_string(threads));
    std::size_t next = 0;
    const std::thread::id caller = std::this_thread::get_id();
    std::mutex mutex;
    std::set<std::thread::id> workers;
    std::atomic<int> running{0};
    int most = 0;  // threads working at once
    RunOrdered<std::string>(
        count, threads,
        [&](std::size_t i) {
          const int now = ++running;
          // Early items finish last, so a pool that delivers in completion order fails.
          std::this_thread::sleep_for(std::chrono::microseconds((count - i) * 100));
          --running;
          std::lock_guard lock(mutex);
          most = std::max(most, now);
          workers.insert(std::this_thread::get_id());
          return "r" + std::to_string(i);
        },
        [&](std::size_t i, std::string result) {
          EXPECT_EQ(std::this_thread::get_id(), caller);
          EXPECT_EQ(i, next++);
          EXPECT_EQ(result, "r" + std::to_string(i));
        });
    EXPECT_EQ(next, count);
    EXPECT_EQ(workers.count(caller), count == 1 ? 1u : 0u);
    EXPECT_LE(workers.size(), std::max(threads, 1u));
    EXPECT_EQ(most > 1, threads > 1 && count > 1);
  }
}

}  // namespace
}  // namespace q9
