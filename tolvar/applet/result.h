#pragma once
// The one way the host's own code reports a failure: a Status (done, or a reason and a text for
// the user) and a Result<T> (a value, or such a Status). The text names what failed and where
// (file and line, item, record, operation), so whoever shows it adds nothing. A caller carries a
// failure on by returning its error(): a Status converts to a Result of any type.
//
// The value of a failed Result is never there. Reaching it anyway (value(), *, ->) is a fault of
// the calling code, not of what it asked for: it throws BadResultAccess, a std::logic_error whose
// text names the failure, in every build. The host's boundaries (the script runner, the event
// loop) report it as they report any exception, so it never reads memory that holds no value.
//
// The views never see these: between the views and the host the numbered run-time errors of
// the component interface stay as they are.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace tolvar {

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

// A failed Result used as a value.
class BadResultAccess : public std::logic_error {
 public:
  explicit BadResultAccess(const Status& failure)
      : std::logic_error("the value of a failed result was used (" +
                         std::string(reasonName(failure.reason())) + ": " + failure.text() + ")"),
        failure_(failure) {}
  const Status& failure() const { return failure_; }

 private:
  Status failure_;
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
  // Done, or the failure; returned as it is, it carries the failure on.
  const Status& error() const { return status_; }
  Reason reason() const { return status_.reason(); }
  const std::string& text() const { return status_.text(); }

  // Checked: BadResultAccess on a failure.
  T& value() & { return checked(); }
  const T& value() const& { return checked(); }
  T&& value() && { return std::move(checked()); }
  T& operator*() & { return checked(); }
  const T& operator*() const& { return checked(); }
  T* operator->() { return &checked(); }
  const T* operator->() const { return &checked(); }
  // The value, or `fallback` on a failure.
  template <typename U>
  T value_or(U&& fallback) const& {
    return ok() ? *value_ : static_cast<T>(std::forward<U>(fallback));
  }

 private:
  T& checked() {
    if (!value_) throw BadResultAccess(status_);
    return *value_;
  }
  const T& checked() const {
    if (!value_) throw BadResultAccess(status_);
    return *value_;
  }

  std::optional<T> value_;
  Status status_;
};

}  // namespace tolvar
