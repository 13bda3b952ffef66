#ifndef Q9_LINESTORE_THREAD_START_H_
#define Q9_LINESTORE_THREAD_START_H_

#include <future>
#include <system_error>
#include <type_traits>
#include <utility>

namespace q9 {

// |work| started on a thread of its own, or, when the system has no thread to
// give, an empty future (valid() is false): the caller then does the work
// itself. Work that splits a large script in two uses this so that it runs
// the same, only slower, without the second thread.
template <typename Work>
std::future<std::invoke_result_t<Work>> StartOnThread(Work work) {
  try {
    return std::async(std::launch::async, std::move(work));
  } catch (const std::system_error&) {
    return {};
  }
}

}  // namespace q9

#endif  // Q9_LINESTORE_THREAD_START_H_
