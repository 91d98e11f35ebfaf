// The diagnosis window's status state on the recording item manager: the variant switch and its
// registrations, records of given-up items still queued, short deliveries, the field device
// status rows.
#include "velumor/diag_view/diag_status.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "platform/com/error.h"
#include "tests/support/diag_view_access.h"
#include "tests/support/fake_host.h"
#include "tests/velumor/diag_view/status/diag_steps_notation.h"

namespace {

using diagtest::describe;
using diagtest::steps;
using platform::com::ByteArray;
using platform::com::Variant;
using velumor::diag_view::DiagGroup;
using velumor::diag_view::DiagStatus;
using velumor::diag_view::StatusItem;
using Access = velumor::view_window::TestAccess<DiagStatus>;

// Records what the window is asked to do, in the notation of the expectations.
class Recorder final : public velumor::diag_view::DiagStatusDrawing {
 public:
  velumor::diag_view::DiagSteps done;
  void drawDiagRow(DiagGroup g, int row, uint8_t value) override {
    done.push_back({velumor::diag_view::DiagStep::Kind::DrawRow, g, static_cast<int8_t>(row), value});
  }
  void setDiagRowVisible(DiagGroup g, int row, bool visible) override {
    done.push_back(
        {visible ? velumor::diag_view::DiagStep::Kind::ShowRow : velumor::diag_view::DiagStep::Kind::HideRow,
         g, static_cast<int8_t>(row), 0});
  }
  void setDiagTabImage(DiagGroup g, uint8_t image) override {
    done.push_back({velumor::diag_view::DiagStep::Kind::TabImage, g, -1, image});
  }
  void setDiagTabPresent(DiagGroup g, bool present) override {
    done.push_back(
        {velumor::diag_view::DiagStep::Kind::TabTag, g, -1, static_cast<uint8_t>(present ? 1 : 0)});
  }
  void runDiagTabSelection() override {
    done.push_back({velumor::diag_view::DiagStep::Kind::TabSelection, DiagGroup::Device, -1, 0});
  }
};

constexpr int32_t kView = 7;
constexpr int32_t kHart = 1;
constexpr int32_t kField = 2;

// The status handlers only register, give up and read items; each record is read whole with
// the flag set. Registrations and give-ups are written "Register name flag view user mode" and
// "Unadvise view handle flag".
class DiagStatusTest : public ::testing::Test {
 protected:
  fakehost::FakeItemManager host;
  DiagStatus status;
  Recorder window;
  int arrayReads = 0;

  std::vector<std::string> calls() const {
    auto flag = [](const Variant& v) { return std::string(v.toBool() ? "1" : "0"); };
    auto num = [](const Variant& v) { return std::to_string(v.toLong()); };
    std::vector<std::string> out;
    for (const fakehost::Call& c : host.log().calls()) {
      const auto& a = c.args;
      if (c.op == "RegisterItem")
        out.push_back("Register " + a[0].toString() + " " + flag(a[1]) + " " + num(a[2]) + " " + num(a[3]) +
                      " " + num(a[4]));
      else if (c.op == "UnadviseItem")
        out.push_back("Unadvise " + num(a[0]) + " " + num(a[1]) + " " + flag(a[2]));
    }
    return out;
  }

  void SetUp() override {
    host.nextHandle = 100;
    host.arraysWhole = true;
    host.log().onCall = [this](const fakehost::Call& c) {
      if (c.op == "GetArrayValue") {
        ++arrayReads;
        EXPECT_TRUE(c.args[1].toBool());
      } else if (c.op != "RegisterItem" && c.op != "UnadviseItem" && c.op != "GetValue") {
        ADD_FAILURE() << "unexpected host call " << c.text();
      }
    };
    host.itemValues["ADD_TRANSMITTER_STATE_ERROR"] = ByteArray{0, {0, 0, 0}};
    host.itemValues["ADD_TRANSMITTER_STATE_STATE"] = ByteArray{3, {0, 0}};
    host.itemValues["A10_ADD_TRANSMITTER_STATE_ERROR"] = ByteArray{0, {0, 0, 0, 0}};
    host.itemValues["A10_ADD_TRANSMITTER_STATE_TSTATE"] = ByteArray{14, {0, 0}};
    host.itemValues["A10_ADD_TRANSMITTER_STATE_WARNINGS"] = ByteArray{16, {0, 0, 0}};
  }
  void variant(double v) {
    host.values[kHart] = v;
    status.ApplyDeviceVariant(host, kView, kHart);
  }
  bool record(const std::string& item) {
    return status.HandleStatusRecord(host, host.handleOf(item), window);
  }
  void fieldStatus(double v) {
    host.values[kField] = v;
    window.done.clear();
    status.ShowFieldDeviceStatus(host, kField, window);
  }
  const velumor::diag_view::StatusOctets& octets() const { return Access::octets(status); }
  uint8_t fieldByte() const { return Access::fieldDeviceStatusByte(status); }
};

// ------------------------------------------------------------------ the variant switch

TEST_F(DiagStatusTest, StandardVariantSizesArraysAndRegistersItsTwoItems) {
  variant(0.4);
  EXPECT_EQ(status.deviceVariant(), 0);
  EXPECT_EQ(octets().ErrorOctets, (ByteArray{0, {0, 0, 0}}));
  EXPECT_EQ(octets().StateOctets, (ByteArray{3, {0, 0}}));
  EXPECT_TRUE(octets().WarningOctets.data.empty());
  const std::vector<std::string> expected = {"Unadvise 7 0 1",
                                             "Unadvise 7 0 1",
                                             "Unadvise 7 0 1",
                                             "Unadvise 7 0 1",
                                             "Unadvise 7 0 1",
                                             "Unadvise 7 0 1",
                                             "Unadvise 7 0 1",
                                             "Register ADD_TRANSMITTER_STATE_ERROR 1 7 0 3",
                                             "Register ADD_TRANSMITTER_STATE_STATE 1 7 0 3"};
  EXPECT_EQ(calls(), expected);
  EXPECT_EQ(status.handleOf(StatusItem::Error), host.handleOf("ADD_TRANSMITTER_STATE_ERROR"));
}

TEST_F(DiagStatusTest, A10VariantGivesUpTheStandardItemsAndRegistersSeven) {
  variant(0);
  const int32_t error = status.handleOf(StatusItem::Error);
  const int32_t state = status.handleOf(StatusItem::State);
  host.log().clear();
  variant(1);
  EXPECT_EQ(octets().ErrorOctets, (ByteArray{0, {0, 0, 0, 0}}));
  EXPECT_EQ(octets().StateOctets, (ByteArray{14, {0, 0}}));
  EXPECT_EQ(octets().WarningOctets, (ByteArray{16, {0, 0, 0}}));
  const std::vector<std::string> expected = {"Unadvise 7 " + std::to_string(error) + " 1",
                                             "Unadvise 7 " + std::to_string(state) + " 1",
                                             "Register A10_ADD_TRANSMITTER_STATE_ERROR 1 7 0 3",
                                             "Register A10_ADD_TRANSMITTER_STATE_STATE 1 7 0 3",
                                             "Register A10_OPERATING_MODE 1 7 0 3",
                                             "Register A10_ANALOG_OUTPUT_SATURATED 1 7 0 3",
                                             "Register A10_ANALOG_OUTPUT_FIXED 1 7 0 3",
                                             "Register A10_ADD_TRANSMITTER_STATE_TSTATE 1 7 0 3",
                                             "Register A10_ADD_TRANSMITTER_STATE_WARNINGS 1 7 0 3"};
  EXPECT_EQ(calls(), expected);
  // The given-up handles are kept, but no longer count as this variant's.
  EXPECT_EQ(status.handleOf(StatusItem::Error), error);
  EXPECT_FALSE(status.isActive(StatusItem::Error));
  EXPECT_TRUE(status.isActive(StatusItem::A10Warnings));
}

TEST_F(DiagStatusTest, BackToStandardGivesUpTheSevenKeptHandles) {
  variant(1);
  std::vector<int32_t> a10;
  for (auto item :
       {StatusItem::A10Error, StatusItem::A10State, StatusItem::A10OperatingMode, StatusItem::A10Saturated,
        StatusItem::A10Fixed, StatusItem::A10TState, StatusItem::A10Warnings})
    a10.push_back(status.handleOf(item));
  host.log().clear();
  variant(0);
  const auto given = calls();
  ASSERT_EQ(given.size(), 9u);
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(given[i], "Unadvise 7 " + std::to_string(a10[i]) + " 1");
  EXPECT_TRUE(octets().WarningOctets.data.empty());
}

TEST_F(DiagStatusTest, SameVariantAgainClearsTheArraysAndRegistersAgain) {
  variant(0);
  host.itemValues["ADD_TRANSMITTER_STATE_ERROR"] = ByteArray{0, {1, 2, 3}};
  ASSERT_TRUE(record("ADD_TRANSMITTER_STATE_ERROR"));
  EXPECT_EQ(octets().ErrorOctets, (ByteArray{0, {1, 2, 3}}));
  const int32_t before = status.handleOf(StatusItem::Error);
  window.done.clear();
  variant(0);
  EXPECT_EQ(octets().ErrorOctets, (ByteArray{0, {0, 0, 0}}));
  EXPECT_NE(status.handleOf(StatusItem::Error), before);
  EXPECT_TRUE(window.done.empty());  // the rows keep what they showed
}

TEST_F(DiagStatusTest, ValuesThatAreNoVariantChangeNothing) {
  for (double v : {1.5, 2.0, 255.0, 255.5, 256.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity()}) {
    variant(v);
    EXPECT_EQ(status.deviceVariant(), -1) << v;
  }
  EXPECT_TRUE(calls().empty());
  variant(0);
  host.log().clear();
  variant(2.0);
  EXPECT_TRUE(calls().empty());
  EXPECT_EQ(status.deviceVariant(), 0);
  EXPECT_EQ(octets().StateOctets, (ByteArray{3, {0, 0}}));
}

// ------------------------------------------------------------------ records after a switch

TEST_F(DiagStatusTest, RecordsOfTheOtherVariantStillQueuedAreConsumedWithoutDecoding) {
  variant(0);
  const int32_t oldError = status.handleOf(StatusItem::Error);
  variant(1);
  host.itemValues["ADD_TRANSMITTER_STATE_ERROR"] = ByteArray{0, {0xFF, 0xFF, 0xFF}};
  window.done.clear();
  EXPECT_TRUE(status.HandleStatusRecord(host, oldError, window));
  EXPECT_EQ(arrayReads, 0);
  EXPECT_TRUE(window.done.empty());
  EXPECT_EQ(octets().ErrorOctets, (ByteArray{0, {0, 0, 0, 0}}));

  // And the other way round: a warning record queued before the switch back.
  const int32_t oldWarnings = status.handleOf(StatusItem::A10Warnings);
  variant(0);
  EXPECT_TRUE(status.HandleStatusRecord(host, oldWarnings, window));
  EXPECT_EQ(arrayReads, 0);
  EXPECT_TRUE(window.done.empty());
  EXPECT_TRUE(octets().WarningOctets.data.empty());
}

TEST_F(DiagStatusTest, HandleZeroAndUnknownHandlesAreNotStatusRecords) {
  EXPECT_FALSE(status.HandleStatusRecord(host, 0, window));  // nothing registered yet: every handle 0
  variant(1);
  EXPECT_FALSE(status.HandleStatusRecord(host, 0, window));
  EXPECT_FALSE(status.HandleStatusRecord(host, 99999, window));
  EXPECT_TRUE(window.done.empty());
}

TEST_F(DiagStatusTest, AReusedHandleBelongsToTheItemRegisteredLast) {
  variant(0);
  const int32_t oldError = status.handleOf(StatusItem::Error);
  host.nextHandleFor["A10_ADD_TRANSMITTER_STATE_WARNINGS"] = oldError;  // the host hands the number out again
  variant(1);
  host.itemValues["A10_ADD_TRANSMITTER_STATE_WARNINGS"] = ByteArray{16, {0x02, 0, 0}};
  EXPECT_TRUE(status.HandleStatusRecord(host, oldError, window));
  EXPECT_EQ(octets().WarningOctets, (ByteArray{16, {0x02, 0, 0}}));
  bool alarm = false;
  for (const auto& s : window.done)
    if (s.kind == velumor::diag_view::DiagStep::Kind::DrawRow && s.group == DiagGroup::Alarm && s.row == 0)
      alarm = s.value == 3;
  EXPECT_TRUE(alarm);
}

TEST_F(DiagStatusTest, DecodingAnItemOfTheOtherVariantDoesNothing) {
  status.Decode(StatusItem::Error, host, window);  // nothing registered yet
  variant(0);
  variant(1);
  status.Decode(StatusItem::Error, host, window);
  status.Decode(StatusItem::State, host, window);
  EXPECT_EQ(arrayReads, 0);
  EXPECT_TRUE(window.done.empty());
  status.Decode(StatusItem::A10TState, host, window);
  EXPECT_EQ(arrayReads, 1);
  EXPECT_EQ(describe(window.done), describe(steps("img Config 2; Config 0 N")));
}

TEST_F(DiagStatusTest, TheFourUndecodedA10ItemsAreConsumedQuietly) {
  variant(1);
  for (const char* item : {"A10_ADD_TRANSMITTER_STATE_STATE", "A10_OPERATING_MODE",
                           "A10_ANALOG_OUTPUT_SATURATED", "A10_ANALOG_OUTPUT_FIXED"})
    EXPECT_TRUE(record(item)) << item;
  EXPECT_EQ(arrayReads, 0);
  EXPECT_TRUE(window.done.empty());
}

// ------------------------------------------------------------------ decoding through the window

TEST_F(DiagStatusTest, ARecordReachesTheWindowInDrawingOrder) {
  variant(1);
  host.itemValues["A10_ADD_TRANSMITTER_STATE_TSTATE"] = ByteArray{14, {0x01, 0x00}};
  ASSERT_TRUE(record("A10_ADD_TRANSMITTER_STATE_TSTATE"));
  EXPECT_EQ(describe(window.done), describe(steps("img Config 3; Config 0 W")));
  // No check for an unchanged value: the same report draws again.
  window.done.clear();
  ASSERT_TRUE(record("A10_ADD_TRANSMITTER_STATE_TSTATE"));
  EXPECT_EQ(describe(window.done), describe(steps("img Config 3; Config 0 W")));
}

TEST_F(DiagStatusTest, IconsCombineTheLatestReadingsOfBothArrays) {
  variant(1);
  host.itemValues["A10_ADD_TRANSMITTER_STATE_WARNINGS"] = ByteArray{16, {0, 0x08, 0}};
  ASSERT_TRUE(record("A10_ADD_TRANSMITTER_STATE_WARNINGS"));
  window.done.clear();
  ASSERT_TRUE(record("A10_ADD_TRANSMITTER_STATE_TSTATE"));
  EXPECT_EQ(describe(window.done), describe(steps("img Config 3; Config 0 N")));
  // A variant switch clears what the warnings left behind, though the host still holds it.
  variant(1);
  window.done.clear();
  ASSERT_TRUE(record("A10_ADD_TRANSMITTER_STATE_TSTATE"));
  EXPECT_EQ(describe(window.done), describe(steps("img Config 2; Config 0 N")));
}

TEST_F(DiagStatusTest, ShortDeliveriesAreDroppedAndLeaveTheArray) {
  variant(0);
  host.itemValues["ADD_TRANSMITTER_STATE_ERROR"] = ByteArray{0, {0x01, 0x00, 0x00}};
  ASSERT_TRUE(record("ADD_TRANSMITTER_STATE_ERROR"));
  window.done.clear();

  host.itemValues["ADD_TRANSMITTER_STATE_ERROR"] = ByteArray{0, {0xFF, 0xFF}};
  EXPECT_TRUE(record("ADD_TRANSMITTER_STATE_ERROR"));
  host.itemValues["ADD_TRANSMITTER_STATE_STATE"] = ByteArray{0, {0x03, 0x03}};  // numbered from 0: no octet 3
  EXPECT_TRUE(record("ADD_TRANSMITTER_STATE_STATE"));
  EXPECT_TRUE(window.done.empty());
  EXPECT_EQ(octets().ErrorOctets, (ByteArray{0, {0x01, 0x00, 0x00}}));
  EXPECT_EQ(octets().StateOctets, (ByteArray{3, {0, 0}}));

  variant(1);
  host.itemValues["A10_ADD_TRANSMITTER_STATE_WARNINGS"] = ByteArray{16, {0xFF}};
  EXPECT_TRUE(record("A10_ADD_TRANSMITTER_STATE_WARNINGS"));
  EXPECT_TRUE(window.done.empty());
  EXPECT_EQ(octets().WarningOctets, (ByteArray{16, {0, 0, 0}}));
  // The error report still finds complete warning octets for its icons.
  host.itemValues["A10_ADD_TRANSMITTER_STATE_ERROR"] = ByteArray{0, {0, 0, 0, 0}};
  EXPECT_TRUE(record("A10_ADD_TRANSMITTER_STATE_ERROR"));
  EXPECT_FALSE(window.done.empty());
}

TEST_F(DiagStatusTest, AFailingHostReadDrawsNothing) {
  variant(0);
  host.failures.set("GetArrayValue", static_cast<int32_t>(0x80004005u));  // the read throws
  EXPECT_ANY_THROW(record("ADD_TRANSMITTER_STATE_ERROR"));
  EXPECT_TRUE(window.done.empty());
  EXPECT_EQ(octets().ErrorOctets, (ByteArray{0, {0, 0, 0}}));
}

// ------------------------------------------------------------------ field device status

struct FlagCase {
  uint8_t flag;
  int row;
};
// "Field Device Malfunction" first, "Primary Variable Out of Limits" last.
const std::vector<FlagCase> kFlags = {{0x80, 0}, {0x40, 1}, {0x20, 2}, {0x10, 3},
                                      {0x08, 4}, {0x04, 5}, {0x02, 6}, {0x01, 7}};

TEST_F(DiagStatusTest, EveryFieldFlagIsAWarningOnItsRow) {
  for (const auto& f : kFlags) {
    fieldStatus(f.flag);
    std::string expected = "img Device 3";
    for (int r = 0; r < 8; ++r) expected += "; Device " + std::to_string(r) + (r == f.row ? " W" : " N");
    EXPECT_EQ(describe(window.done), describe(steps(expected))) << int(f.flag);
    EXPECT_EQ(fieldByte(), f.flag);
    fieldStatus(0);  // the device clears the flag before the next one is set
  }
}

TEST_F(DiagStatusTest, FieldStatusDrawsOnlyOnChange) {
  fieldStatus(0);  // first report of 0: taken as unchanged
  EXPECT_TRUE(window.done.empty());
  fieldStatus(0x48);
  EXPECT_EQ(describe(window.done),
            describe(steps("img Device 3; Device 0 N; Device 1 W; Device 2 N; Device 3 N; Device 4 W;"
                           "Device 5 N; Device 6 N; Device 7 N")));
  fieldStatus(0x48);
  EXPECT_TRUE(window.done.empty());
  fieldStatus(0);
  EXPECT_EQ(describe(window.done),
            describe(steps("img Device 2; Device 0 N; Device 1 N; Device 2 N; Device 3 N; Device 4 N;"
                           "Device 5 N; Device 6 N; Device 7 N")));
}

TEST_F(DiagStatusTest, FieldStatusRoundsHalvesToEvenAfterComparing) {
  fieldStatus(2.5);
  EXPECT_EQ(fieldByte(), 2);
  EXPECT_EQ(describe(window.done).find("Device 6 W") != std::string::npos, true);
  fieldStatus(3.5);
  EXPECT_EQ(fieldByte(), 4);
  EXPECT_NE(describe(window.done).find("Device 5 W"), std::string::npos);
  // Compared before rounding: 4.4 differs from the kept 4 and draws the same rows again.
  fieldStatus(4.4);
  EXPECT_EQ(window.done.size(), 9u);
}

TEST_F(DiagStatusTest, FieldStatusThatIsNoByteIsIgnored) {
  fieldStatus(0x48);
  for (double v : {256.0, 255.5, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
    fieldStatus(v);
    EXPECT_TRUE(window.done.empty()) << v;
    EXPECT_EQ(fieldByte(), 0x48);
  }
  fieldStatus(255.4);
  EXPECT_EQ(fieldByte(), 255);
}

TEST_F(DiagStatusTest, ConnectionChangeRedrawsTheKeptByteWithoutTheIcon) {
  window.done.clear();
  status.DrawFieldDeviceRows(window);  // connected with no report since load
  EXPECT_EQ(describe(window.done),
            describe(steps("Device 0 N; Device 1 N; Device 2 N; Device 3 N; Device 4 N; Device 5 N;"
                           "Device 6 N; Device 7 N")));
  fieldStatus(0x81);
  window.done.clear();
  status.DrawFieldDeviceRows(window);
  EXPECT_EQ(describe(window.done),
            describe(steps("Device 0 W; Device 1 N; Device 2 N; Device 3 N; Device 4 N; Device 5 N;"
                           "Device 6 N; Device 7 W")));
  // A variant switch does not reset the kept byte.
  variant(1);
  EXPECT_EQ(fieldByte(), 0x81);
}

// ------------------------------------------------------------------ names the window uses

TEST(DiagNames, TabKeysAndRowArraysInTabOrder) {
  const std::vector<std::pair<std::string, int>> expected = {
      {"DiagDevice", 8}, {"DiagSensor", 8},    {"DiagInput", 2},  {"DiagValue", 5},  {"DiagAlarm", 6},
      {"DiagLimits", 0}, {"DiagTotalizer", 5}, {"DiagOutput", 8}, {"DiagConfig", 2}, {"DiagMemory", 5}};
  for (int i = 0; i < velumor::diag_view::kDiagGroupCount; ++i) {
    const auto g = static_cast<DiagGroup>(i);
    EXPECT_EQ(std::string(velumor::diag_view::diagRowArray(g)), expected[static_cast<size_t>(i)].first);
    EXPECT_EQ(std::string(velumor::diag_view::diagTabKey(g)), expected[static_cast<size_t>(i)].first + "Key");
    EXPECT_EQ(velumor::diag_view::diagRowCount(g), expected[static_cast<size_t>(i)].second);
  }
}

}  // namespace
