#pragma once
// How the host's own operations report a failure: a Status (done, or a reason and a text for
// the user) and a Result<T> (a value, or such a Status). The text names what failed and where
// (file and line, item, record, operation), so whoever shows it adds nothing.
//
// The views never see these: between the views and the host the numbered run-time errors of
// the component interface stay as they are.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tolvar::sim {

enum class Reason {
  None,             // done
  NotFound,         // no item, record, scenario, data set, class or operation of that name
  InvalidArgument,  // a value or argument the operation cannot take
  BadFile,          // a file that cannot be read or does not hold what it must
  Database,         // the data-set database refused or failed
  Refused,          // the callee said no (a view's status, a run-time error)
  Unsupported,      // this host cannot do it
};

// The reason's name as messages and tests spell it ("not found", "bad file", ...).
constexpr std::string_view reasonName(Reason reason) {
  switch (reason) {
    case Reason::None:
      return "done";
    case Reason::NotFound:
      return "not found";
    case Reason::InvalidArgument:
      return "invalid argument";
    case Reason::BadFile:
      return "bad file";
    case Reason::Database:
      return "database";
    case Reason::Refused:
      return "refused";
    case Reason::Unsupported:
      return "unsupported";
  }
  return "?";
}

class [[nodiscard]] Status {
 public:
  Status() = default;  // done
  static Status fail(Reason reason, std::string text) { return Status(reason, std::move(text)); }

  bool ok() const { return reason_ == Reason::None; }
  explicit operator bool() const { return ok(); }
  Reason reason() const { return reason_; }
  const std::string& text() const { return text_; }

 private:
  Status(Reason reason, std::string text) : reason_(reason), text_(std::move(text)) {
    if (reason_ == Reason::None) reason_ = Reason::Refused;  // a failure always has a reason
  }
  Reason reason_ = Reason::None;
  std::string text_;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  // A value or a failure converts, so a function returns either one plainly.
  // cppcheck-suppress noExplicitConstructor ; a value converts
  Result(T value) : value_(std::move(value)) {}
  // cppcheck-suppress noExplicitConstructor ; a failure converts
  Result(Status failure) : status_(std::move(failure)) {
    if (status_.ok()) status_ = Status::fail(Reason::Refused, "no value");
  }

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  // Done, or the failure.
  const Status& status() const { return status_; }
  Reason reason() const { return status_.reason(); }
  const std::string& text() const { return status_.text(); }
  // Only when ok().
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace tolvar::sim
