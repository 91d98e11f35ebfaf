#include "tolvar/applet/result.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using tolvar::BadResultAccess;
using tolvar::Reason;
using tolvar::Result;
using tolvar::Status;

Result<std::string> lookUp(bool found) {
  if (!found) return Status::fail(Reason::NotFound, "There is no item \"TAG\"");
  return std::string("AB-1");
}

// Carries the failure of the inner call on, under another value type.
Result<size_t> lengthOf(bool found) {
  const Result<std::string> text = lookUp(found);
  if (!text) return text.error();
  return text->size();
}

TEST(CheckedResult, EveryWayToTheValueOfAFailureThrowsNamingIt) {
  using Access = std::function<void(Result<std::string>&)>;
  const std::vector<std::pair<const char*, Access>> accesses{
      {"value()", [](Result<std::string>& r) { (void)r.value(); }},
      {"const value()", [](Result<std::string>& r) { (void)std::as_const(r).value(); }},
      {"moved value()", [](Result<std::string>& r) { (void)std::move(r).value(); }},
      {"operator*", [](Result<std::string>& r) { (void)*r; }},
      {"const operator*", [](Result<std::string>& r) { (void)*std::as_const(r); }},
      {"operator->", [](Result<std::string>& r) { (void)r->size(); }},
      {"const operator->", [](Result<std::string>& r) { (void)std::as_const(r)->size(); }},
  };
  for (const auto& [name, access] : accesses) {
    Result<std::string> failed = lookUp(false);
    try {
      access(failed);
      ADD_FAILURE() << name << " handed out a value that is not there";
    } catch (const BadResultAccess& e) {
      EXPECT_EQ(std::string(e.what()),
                "the value of a failed result was used (not found: There is no item \"TAG\")")
          << name;
      EXPECT_EQ(e.failure().reason(), Reason::NotFound) << name;
    }
    // It is a logic error, so a boundary that reports exceptions reports it.
    EXPECT_THROW(access(failed), std::logic_error) << name;
  }
}

TEST(CheckedResult, AValueIsReachedAndAFailureCarriedOn) {
  Result<std::string> found = lookUp(true);
  ASSERT_TRUE(found.ok());
  EXPECT_EQ(*found, "AB-1");
  EXPECT_EQ(found->size(), 4u);
  EXPECT_TRUE(found.error().ok()) << "a value's error() is done";
  EXPECT_EQ(found.value_or("none"), "AB-1");
  EXPECT_EQ(lookUp(false).value_or("none"), "none");

  const Result<size_t> carried = lengthOf(false);
  EXPECT_FALSE(carried);
  EXPECT_EQ(carried.reason(), Reason::NotFound);
  EXPECT_EQ(carried.text(), "There is no item \"TAG\"");
  EXPECT_EQ(lengthOf(true).value(), 4u);
}

TEST(CheckedResult, AFailureAlwaysHasAReason) {
  // A done Status where a failure was meant must not read as a value.
  const Result<int> fromDone = Status();
  EXPECT_FALSE(fromDone.ok());
  EXPECT_EQ(fromDone.reason(), Reason::Refused);
  EXPECT_EQ(fromDone.text(), "no value");
  EXPECT_THROW((void)fromDone.value(), BadResultAccess);

  const Status noReason = Status::fail(Reason::None, "it said no");
  EXPECT_FALSE(noReason.ok());
  EXPECT_EQ(noReason.reason(), Reason::Refused);
}

}  // namespace
