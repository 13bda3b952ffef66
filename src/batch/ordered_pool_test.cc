#include "batch/ordered_pool.h"

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

TEST(RunOrderedTest, DeliversEveryResultInIndexOrderOnTheCallingThread) {
  const std::pair<std::size_t, unsigned> cases[] = {{0, 4}, {1, 8}, {7, 0}, {40, 1}, {40, 7}};
  for (const auto& [count, threads] : cases) {
    SCOPED_TRACE(std::to_string(count) + " items on " + std::to_string(threads));
    std::size_t next = 0;
    const std::thread::id caller = std::this_thread::get_id();
    RunOrdered<std::string>(
        count, threads,
        [&](std::size_t i) {
          // Early items finish last, so a pool that delivers in completion order fails.
          std::this_thread::sleep_for(std::chrono::microseconds((count - i) * 50));
          return "r" + std::to_string(i);
        },
        [&](std::size_t i, std::string result) {
          EXPECT_EQ(std::this_thread::get_id(), caller);
          EXPECT_EQ(i, next++);
          EXPECT_EQ(result, "r" + std::to_string(i));
        });
    EXPECT_EQ(next, count);
  }
}

TEST(RunOrderedTest, UsesUpToTheGivenNumberOfWorkerThreads) {
  std::mutex mutex;
  std::set<std::thread::id> workers;
  std::atomic<int> running{0};
  std::atomic<int> most{0};
  RunOrdered<int>(
      16, 4,
      [&](std::size_t) {
        int now = ++running;
        for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        --running;
        std::lock_guard lock(mutex);
        workers.insert(std::this_thread::get_id());
        return 0;
      },
      [](std::size_t, int) {});
  EXPECT_GT(most.load(), 1);
  EXPECT_LE(workers.size(), 4u);
  EXPECT_EQ(workers.count(std::this_thread::get_id()), 0u);
}

}  // namespace
}  // namespace q9
