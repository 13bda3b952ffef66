#include "batch/ordered_pool.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"

namespace q9 {
namespace {

TEST(RunOrderedTest, DeliversEveryResultInIndexOrderOnTheCallingThread) {
  struct Case {
    std::size_t count;
    unsigned threads;
  };
  const Case cases[] = {{0, 4}, {1, 1}, {1, 8}, {7, 0}, {40, 1}, {40, 2}, {40, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + " items on " + std::to_string(c.threads));
    std::atomic<int> calls{0};
    std::vector<std::size_t> delivered;
    std::vector<std::string> results;
    const std::thread::id caller = std::this_thread::get_id();
    bool delivered_elsewhere = false;
    RunOrdered<std::string>(
        c.count, c.threads,
        [&](std::size_t i) {
          ++calls;
          // Early items finish last, so a pool that delivers in completion order fails.
          std::this_thread::sleep_for(std::chrono::microseconds((c.count - i) * 50));
          return "r" + std::to_string(i);
        },
        [&](std::size_t i, std::string result) {
          delivered_elsewhere |= std::this_thread::get_id() != caller;
          delivered.push_back(i);
          results.push_back(std::move(result));
        });
    EXPECT_EQ(calls.load(), static_cast<int>(c.count));
    ASSERT_EQ(delivered.size(), c.count);
    for (std::size_t i = 0; i < c.count; ++i) {
      EXPECT_EQ(delivered[i], i);
      EXPECT_EQ(results[i], "r" + std::to_string(i));
    }
    EXPECT_FALSE(delivered_elsewhere);
  }
}

TEST(RunOrderedTest, UsesSeveralThreadsAtOnce) {
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
  EXPECT_LE(most.load(), 4);
  EXPECT_LE(workers.size(), 4u);
  EXPECT_EQ(workers.count(std::this_thread::get_id()), 0u);
}

}  // namespace
}  // namespace q9
