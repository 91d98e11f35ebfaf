// The status octets and the diagnosis lamp apart from the window.
#include <gtest/gtest.h>

#include <vector>

#include "velumor/main_view/main_form_outputs.h"

namespace {

using namespace velumor::main_view::outputs;
using platform::com::ByteArray;

ByteArray bytes(int32_t lower, std::vector<uint8_t> data) {
  return ByteArray{lower, std::move(data)};
}

TEST(StatusOctets, EachVariantHasItsBounds) {
  struct Case {
    int32_t variant;
    int32_t errLo, errHi, stateLo, stateHi;
    size_t warnings;
  } cases[] = {{0, 0, 2, 3, 4, 0}, {1, 0, 3, 14, 15, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.variant);
    velumor::main_view::outputs::StatusOctets o = velumor::main_view::outputs::octetsFor(c.variant);
    EXPECT_EQ(o.error.lowerBound, c.errLo);
    EXPECT_EQ(o.error.upperBound(), c.errHi);
    EXPECT_EQ(o.state.lowerBound, c.stateLo);
    EXPECT_EQ(o.state.upperBound(), c.stateHi);
    EXPECT_EQ(o.warning.data.size(), c.warnings);
    if (c.warnings) {
      EXPECT_EQ(o.warning.lowerBound, 16);
    }
  }
}

TEST(StatusOctets, SummaryReadsExactlyTheVariantsOctetsAndEveryBit) {
  velumor::main_view::outputs::StatusOctets v0 = velumor::main_view::outputs::octetsFor(0);
  EXPECT_EQ(velumor::main_view::outputs::summarize(0, v0).errors, 0u);
  v0.error.at(2) = 0x80;
  v0.state.at(4) = 0x01;
  EXPECT_EQ(velumor::main_view::outputs::summarize(0, v0).errors, 0x80u);
  EXPECT_EQ(velumor::main_view::outputs::summarize(0, v0).warnings, 0x01u);
  // The same octets mean nothing to a variant the window does not know.
  EXPECT_EQ(velumor::main_view::outputs::summarize(7, v0).errors, 0u);
  EXPECT_EQ(velumor::main_view::outputs::summarize(7, v0).warnings, 0u);

  velumor::main_view::outputs::StatusOctets v1 = velumor::main_view::outputs::octetsFor(1);
  v1.error.at(3) = 0x02;
  EXPECT_EQ(velumor::main_view::outputs::summarize(1, v1).errors, 0x02u);
  EXPECT_EQ(velumor::main_view::outputs::summarize(1, v1).warnings, 0u);
  for (int32_t w : {16, 17, 18}) {
    velumor::main_view::outputs::StatusOctets o = velumor::main_view::outputs::octetsFor(1);
    o.warning.at(w) = 0x10;
    EXPECT_EQ(velumor::main_view::outputs::summarize(1, o).warnings, 0x10u) << w;
    EXPECT_EQ(velumor::main_view::outputs::summarize(1, o).errors, 0u) << w;
  }
  v1.state.at(15) = 0x40;
  EXPECT_EQ(velumor::main_view::outputs::summarize(1, v1).warnings, 0x40u);
}

TEST(StatusOctets, ShortDeliveriesCountMissingOctetsAsZero) {
  velumor::main_view::outputs::StatusOctets o = velumor::main_view::outputs::octetsFor(1);
  velumor::main_view::outputs::takeOctets(o.error, bytes(0, {1, 2, 3, 4}));
  EXPECT_EQ(velumor::main_view::outputs::summarize(1, o).errors, 1u | 2u | 3u | 4u);
  // A later, shorter delivery leaves nothing of the earlier one behind.
  velumor::main_view::outputs::takeOctets(o.error, bytes(0, {0}));
  EXPECT_EQ(velumor::main_view::outputs::summarize(1, o).errors, 0u);
  // Octets are placed by their number; octets beyond the bounds are dropped.
  velumor::main_view::outputs::takeOctets(o.state, bytes(13, {0xFF, 0x00, 0x08, 0xFF}));
  EXPECT_EQ(o.state.at(14), 0x00);
  EXPECT_EQ(o.state.at(15), 0x08);
  velumor::main_view::outputs::takeOctets(o.warning, ByteArray{});
  EXPECT_EQ(velumor::main_view::outputs::summarize(1, o).warnings, 0x08u);
}

TEST(StatusItems, OnlyTheErrorStateAndWarningItemsFillArrays) {
  EXPECT_EQ(velumor::main_view::outputs::targetOf(0, 0), velumor::main_view::outputs::OctetTarget::Error);
  EXPECT_EQ(velumor::main_view::outputs::targetOf(0, 1), velumor::main_view::outputs::OctetTarget::State);
  const velumor::main_view::outputs::OctetTarget v1[] = {
      velumor::main_view::outputs::OctetTarget::Error,  velumor::main_view::outputs::OctetTarget::None,
      velumor::main_view::outputs::OctetTarget::None,   velumor::main_view::outputs::OctetTarget::None,
      velumor::main_view::outputs::OctetTarget::None,   velumor::main_view::outputs::OctetTarget::State,
      velumor::main_view::outputs::OctetTarget::Warning};
  for (size_t i = 0; i < velumor::main_view::outputs::kVariant1Items.size(); ++i)
    EXPECT_EQ(velumor::main_view::outputs::targetOf(1, i), v1[i])
        << velumor::main_view::outputs::kVariant1Items[i];
  EXPECT_EQ(velumor::main_view::outputs::targetOf(2, 0), velumor::main_view::outputs::OctetTarget::None);
}

TEST(DiagnosisLamp, StatusNotificationsStartAndStopTheBlinking) {
  struct Case {
    const char* what;
    int16_t state;
    velumor::main_view::outputs::Summary s;
    velumor::main_view::outputs::LampStep step;
  } cases[] = {
      {"error from green: red at once",
       velumor::main_view::outputs::kLampGreen,
       {1, 0},
       {velumor::main_view::outputs::kLampRed, true}},
      {"error while off stays off till the tick",
       velumor::main_view::outputs::kLampOff,
       {1, 0},
       {velumor::main_view::outputs::kLampOff, true}},
      {"error while yellow stays yellow",
       velumor::main_view::outputs::kLampYellow,
       {1, 0},
       {velumor::main_view::outputs::kLampYellow, true}},
      {"warning from green: yellow at once",
       velumor::main_view::outputs::kLampGreen,
       {0, 1},
       {velumor::main_view::outputs::kLampYellow, true}},
      {"warning while red stays red",
       velumor::main_view::outputs::kLampRed,
       {0, 1},
       {velumor::main_view::outputs::kLampRed, true}},
      {"both from green: red",
       velumor::main_view::outputs::kLampGreen,
       {1, 1},
       {velumor::main_view::outputs::kLampRed, true}},
      {"neither: green and still",
       velumor::main_view::outputs::kLampRed,
       {0, 0},
       {velumor::main_view::outputs::kLampGreen, false}},
      {"neither from off",
       velumor::main_view::outputs::kLampOff,
       {0, 0},
       {velumor::main_view::outputs::kLampGreen, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    velumor::main_view::outputs::LampStep step = lampOnStatus(c.state, c.s);
    EXPECT_EQ(step.state, c.step.state);
    EXPECT_EQ(step.blinking, c.step.blinking);
  }
}

TEST(DiagnosisLamp, TicksFollowTheTable) {
  struct Case {
    int16_t state;
    velumor::main_view::outputs::Summary s;
    int16_t next;
  } cases[] = {
      {velumor::main_view::outputs::kLampRed, {1, 0}, velumor::main_view::outputs::kLampOff},
      {velumor::main_view::outputs::kLampRed, {1, 1}, velumor::main_view::outputs::kLampYellow},
      {velumor::main_view::outputs::kLampRed, {0, 0}, velumor::main_view::outputs::kLampOff},
      {velumor::main_view::outputs::kLampGreen, {1, 1}, velumor::main_view::outputs::kLampGreen},
      {velumor::main_view::outputs::kLampYellow, {1, 1}, velumor::main_view::outputs::kLampRed},
      {velumor::main_view::outputs::kLampYellow, {0, 1}, velumor::main_view::outputs::kLampOff},
      {velumor::main_view::outputs::kLampOff, {1, 0}, velumor::main_view::outputs::kLampRed},
      {velumor::main_view::outputs::kLampOff, {1, 1}, velumor::main_view::outputs::kLampRed},
      {velumor::main_view::outputs::kLampOff, {0, 1}, velumor::main_view::outputs::kLampYellow},
      {kLampOff, {0, 0}, kLampOff},
      {0, {1, 1}, 0},
      {5, {1, 0}, 5},
  };
  for (const Case& c : cases)
    EXPECT_EQ(velumor::main_view::outputs::lampOnTick(c.state, c.s), c.next)
        << "state " << c.state << " errors " << c.s.errors << " warnings " << c.s.warnings;
}

TEST(DiagnosisLamp, ErrorsAloneBlinkRedAndOffBothAlternateRedAndYellow) {
  auto run = [](velumor::main_view::outputs::Summary s, int ticks) {
    std::vector<int16_t> seen;
    velumor::main_view::outputs::LampStep step = lampOnStatus(velumor::main_view::outputs::kLampGreen, s);
    seen.push_back(step.state);
    for (int i = 0; i < ticks; ++i)
      seen.push_back(step.state = velumor::main_view::outputs::lampOnTick(step.state, s));
    return seen;
  };
  EXPECT_EQ(run({4, 0}, 4), (std::vector<int16_t>{1, 4, 1, 4, 1}));
  EXPECT_EQ(run({0, 4}, 4), (std::vector<int16_t>{3, 4, 3, 4, 3}));
  EXPECT_EQ(run({4, 4}, 4), (std::vector<int16_t>{1, 3, 1, 3, 1}));
}

}  // namespace
