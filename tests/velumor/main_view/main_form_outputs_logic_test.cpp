// The status octets and the diagnosis lamp apart from the window.
#include <gtest/gtest.h>

#include <vector>

#include "velumor/main_view/main_form_outputs.h"

namespace {

using namespace velumor::outputs;
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
    StatusOctets o = octetsFor(c.variant);
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
  StatusOctets v0 = octetsFor(0);
  EXPECT_EQ(summarize(0, v0).errors, 0u);
  v0.error.at(2) = 0x80;
  v0.state.at(4) = 0x01;
  EXPECT_EQ(summarize(0, v0).errors, 0x80u);
  EXPECT_EQ(summarize(0, v0).warnings, 0x01u);
  // The same octets mean nothing to a variant the window does not know.
  EXPECT_EQ(summarize(7, v0).errors, 0u);
  EXPECT_EQ(summarize(7, v0).warnings, 0u);

  StatusOctets v1 = octetsFor(1);
  v1.error.at(3) = 0x02;
  EXPECT_EQ(summarize(1, v1).errors, 0x02u);
  EXPECT_EQ(summarize(1, v1).warnings, 0u);
  for (int32_t w : {16, 17, 18}) {
    StatusOctets o = octetsFor(1);
    o.warning.at(w) = 0x10;
    EXPECT_EQ(summarize(1, o).warnings, 0x10u) << w;
    EXPECT_EQ(summarize(1, o).errors, 0u) << w;
  }
  v1.state.at(15) = 0x40;
  EXPECT_EQ(summarize(1, v1).warnings, 0x40u);
}

TEST(StatusOctets, ShortDeliveriesCountMissingOctetsAsZero) {
  StatusOctets o = octetsFor(1);
  takeOctets(o.error, bytes(0, {1, 2, 3, 4}));
  EXPECT_EQ(summarize(1, o).errors, 1u | 2u | 3u | 4u);
  // A later, shorter delivery leaves nothing of the earlier one behind.
  takeOctets(o.error, bytes(0, {0}));
  EXPECT_EQ(summarize(1, o).errors, 0u);
  // Octets are placed by their number; octets beyond the bounds are dropped.
  takeOctets(o.state, bytes(13, {0xFF, 0x00, 0x08, 0xFF}));
  EXPECT_EQ(o.state.at(14), 0x00);
  EXPECT_EQ(o.state.at(15), 0x08);
  takeOctets(o.warning, ByteArray{});
  EXPECT_EQ(summarize(1, o).warnings, 0x08u);
}

TEST(StatusItems, OnlyTheErrorStateAndWarningItemsFillArrays) {
  EXPECT_EQ(targetOf(0, 0), OctetTarget::Error);
  EXPECT_EQ(targetOf(0, 1), OctetTarget::State);
  const OctetTarget v1[] = {OctetTarget::Error, OctetTarget::None,  OctetTarget::None,   OctetTarget::None,
                            OctetTarget::None,  OctetTarget::State, OctetTarget::Warning};
  for (size_t i = 0; i < kVariant1Items.size(); ++i) EXPECT_EQ(targetOf(1, i), v1[i]) << kVariant1Items[i];
  EXPECT_EQ(targetOf(2, 0), OctetTarget::None);
}

TEST(DiagnosisLamp, StatusNotificationsStartAndStopTheBlinking) {
  struct Case {
    const char* what;
    int16_t state;
    Summary s;
    LampStep step;
  } cases[] = {
      {"error from green: red at once", kLampGreen, {1, 0}, {kLampRed, true}},
      {"error while off stays off till the tick", kLampOff, {1, 0}, {kLampOff, true}},
      {"error while yellow stays yellow", kLampYellow, {1, 0}, {kLampYellow, true}},
      {"warning from green: yellow at once", kLampGreen, {0, 1}, {kLampYellow, true}},
      {"warning while red stays red", kLampRed, {0, 1}, {kLampRed, true}},
      {"both from green: red", kLampGreen, {1, 1}, {kLampRed, true}},
      {"neither: green and still", kLampRed, {0, 0}, {kLampGreen, false}},
      {"neither from off", kLampOff, {0, 0}, {kLampGreen, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LampStep step = lampOnStatus(c.state, c.s);
    EXPECT_EQ(step.state, c.step.state);
    EXPECT_EQ(step.blinking, c.step.blinking);
  }
}

TEST(DiagnosisLamp, TicksFollowTheTable) {
  struct Case {
    int16_t state;
    Summary s;
    int16_t next;
  } cases[] = {
      {kLampRed, {1, 0}, kLampOff},
      {kLampRed, {1, 1}, kLampYellow},
      {kLampRed, {0, 0}, kLampOff},
      {kLampGreen, {1, 1}, kLampGreen},
      {kLampYellow, {1, 1}, kLampRed},
      {kLampYellow, {0, 1}, kLampOff},
      {kLampOff, {1, 0}, kLampRed},
      {kLampOff, {1, 1}, kLampRed},
      {kLampOff, {0, 1}, kLampYellow},
      {kLampOff, {0, 0}, kLampOff},
      {0, {1, 1}, 0},
      {5, {1, 0}, 5},
  };
  for (const Case& c : cases)
    EXPECT_EQ(lampOnTick(c.state, c.s), c.next)
        << "state " << c.state << " errors " << c.s.errors << " warnings " << c.s.warnings;
}

TEST(DiagnosisLamp, ErrorsAloneBlinkRedAndOffBothAlternateRedAndYellow) {
  auto run = [](Summary s, int ticks) {
    std::vector<int16_t> seen;
    LampStep step = lampOnStatus(kLampGreen, s);
    seen.push_back(step.state);
    for (int i = 0; i < ticks; ++i) seen.push_back(step.state = lampOnTick(step.state, s));
    return seen;
  };
  EXPECT_EQ(run({4, 0}, 4), (std::vector<int16_t>{1, 4, 1, 4, 1}));
  EXPECT_EQ(run({0, 4}, 4), (std::vector<int16_t>{3, 4, 3, 4, 3}));
  EXPECT_EQ(run({4, 4}, 4), (std::vector<int16_t>{1, 3, 1, 3, 1}));
}

}  // namespace
