#ifndef Q9_LINESTORE_STATUS_H_
#define Q9_LINESTORE_STATUS_H_

#include <string>
#include <utility>

namespace q9 {

// The outcome of an operation that can fail: ok, or an error with a short reason
// in plain words ("Permission denied", "Is a directory"). Front ends decide how
// to print it; the library never prints.
class Status {
 public:
  Status() = default;  // ok
  static Status Error(std::string reason) { return Status(std::move(reason)); }

  bool ok() const { return !failed_; }
  const std::string& reason() const { return reason_; }

 private:
  explicit Status(std::string reason) : failed_(true), reason_(std::move(reason)) {}

  bool failed_ = false;
  std::string reason_;
};

}  // namespace q9

#endif  // Q9_LINESTORE_STATUS_H_
