// The decodings of both device variants, against the device's own bit tables written out
// here by hand: drawing order, every bit of every octet, the combined cases, short arrays.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <vector>

#include "tests/velumor/diag_view/status/diag_steps_notation.h"
#include "velumor/diag_view/diag_status.h"

namespace {

using diagtest::describe;
using diagtest::steps;
using platform::com::ByteArray;
using velumor::diag_view::DiagGroup;
using velumor::diag_view::DiagStep;
using velumor::diag_view::DiagSteps;
using velumor::diag_view::StatusOctets;
using G = DiagGroup;

StatusOctets variant0(std::vector<uint8_t> errors = {0, 0, 0}, std::vector<uint8_t> state = {0, 0}) {
  return StatusOctets{ByteArray{0, std::move(errors)}, ByteArray{3, std::move(state)}, ByteArray{}};
}
StatusOctets variant1(std::vector<uint8_t> errors = {0, 0, 0, 0}, std::vector<uint8_t> state = {0, 0},
                      std::vector<uint8_t> warnings = {0, 0, 0}) {
  return StatusOctets{ByteArray{0, std::move(errors)}, ByteArray{14, std::move(state)},
                      ByteArray{16, std::move(warnings)}};
}

DiagSteps must(const std::optional<DiagSteps>& s) {
  EXPECT_TRUE(s.has_value()) << "the decoding refused complete octets";
  return s.value_or(DiagSteps{});
}

// ------------------------------------------------------------------ drawing order

TEST(DiagDecodeOrder, StandardErrorsAllClear) {
  EXPECT_EQ(describe(must(velumor::diag_view::decodeErrorOctets(variant0()))),
            describe(steps("img Memory 2; Memory 0 N; Memory 1 N;"
                           "img Sensor 2; show Sensor 0; Sensor 0 N; Sensor 1 N; Sensor 2 N; Sensor 3 N;"
                           "img Value 2; Value 0 N; Value 1 N; Value 2 N; Value 3 N;"
                           "img Output 2; Output 0 N; Output 1 N; Output 2 N; Output 3 N; Output 4 N;"
                           "Output 5 N; Output 6 N; Output 7 N;"
                           "img Input 4; tag Input 0; sel; Input 0 O; Input 1 O;"
                           "Sensor 4 O; hide Sensor 4; Sensor 5 O; hide Sensor 5;"
                           "Sensor 6 O; hide Sensor 6; Sensor 7 O; hide Sensor 7")));
}

TEST(DiagDecodeOrder, StandardStateAllClear) {
  EXPECT_EQ(describe(must(velumor::diag_view::decodeStateOctets(variant0()))),
            describe(steps("img Config 2; Config 0 N; Config 1 N;"
                           "img Alarm 4; tag Alarm 0; img Totalizer 4; tag Totalizer 0; sel;"
                           "Totalizer 0 O; Totalizer 1 O; Totalizer 2 O; Totalizer 3 O; Totalizer 4 O;"
                           "Alarm 0 O; Alarm 1 O; Alarm 2 O; Alarm 3 O; Alarm 4 O; Alarm 5 O;"
                           "Value 4 O; hide Value 4; Memory 2 O; hide Memory 2;"
                           "Memory 3 O; hide Memory 3; Memory 4 O; hide Memory 4")));
}

TEST(DiagDecodeOrder, A10ErrorsAllClear) {
  EXPECT_EQ(describe(must(velumor::diag_view::decodeA10Errors(variant1()))),
            describe(steps("img Memory 2; Memory 0 N; Memory 1 N;"
                           "tag Input 1; img Input 2; Input 1 N; Input 0 N;"
                           "img Sensor 2; show Sensor 4; Sensor 4 N; Sensor 1 N; Sensor 2 N; Sensor 3 N;"
                           "show Sensor 5; Sensor 5 N; show Sensor 6; Sensor 6 N; show Sensor 7; Sensor 7 N;"
                           "img Value 2; Value 1 N; Value 0 N; Value 2 N; Value 3 N;"
                           "img Output 2; Output 0 N; Output 1 N; Output 2 N; Output 3 N; Output 4 N;"
                           "Output 5 N; Output 6 N; Output 7 N;"
                           "Sensor 0 O; hide Sensor 0")));
}

TEST(DiagDecodeOrder, A10TransmitterStateAllClear) {
  EXPECT_EQ(describe(must(velumor::diag_view::decodeA10TState(variant1()))),
            describe(steps("img Config 2; Config 0 N")));
}

TEST(DiagDecodeOrder, A10WarningsAllClear) {
  EXPECT_EQ(describe(must(velumor::diag_view::decodeA10Warnings(variant1()))),
            describe(steps("img Config 2; Config 1 N;"
                           "tag Alarm 1; img Alarm 2; Alarm 0 N; Alarm 1 N; Alarm 2 N; Alarm 3 N; Alarm 4 N;"
                           "Alarm 5 N;"
                           "tag Totalizer 1; img Totalizer 2; Totalizer 0 N; Totalizer 1 N; Totalizer 2 N;"
                           "Totalizer 3 N; Totalizer 4 N;"
                           "img Value 2; show Value 4; Value 4 N;"
                           "img Memory 2; show Memory 2; Memory 2 N; show Memory 3; Memory 3 N;"
                           "show Memory 4; Memory 4 N")));
}

TEST(DiagDecodeOrder, FieldDeviceRowsMostSignificantBitFirst) {
  EXPECT_EQ(describe(velumor::diag_view::fieldDeviceRows(0x48)),
            describe(steps("Device 0 N; Device 1 W; Device 2 N; Device 3 N; Device 4 W; Device 5 N;"
                           "Device 6 N; Device 7 N")));
}

// ------------------------------------------------------------------ every bit of every octet

using Row = std::pair<G, int>;
using Decoder = std::function<std::optional<DiagSteps>(const StatusOctets&)>;

struct BitCase {
  int octet;
  uint8_t mask;
  std::optional<Row> row;           // the row the bit feeds, none for a bit that feeds nothing
  uint8_t setValue = 0;             // what that row shows when the bit is set
  std::map<G, uint8_t> icons = {};  // icons that differ from the all-clear ones
};

void PrintTo(const BitCase& c, std::ostream* os) {
  *os << "octet " << c.octet << " mask " << int(c.mask);
  if (c.row)
    *os << " -> "
        << describe(DiagStep{DiagStep::Kind::DrawRow, c.row->first, static_cast<int8_t>(c.row->second),
                             c.setValue});
}

// The whole picture a variant's handlers give, checked handler by handler: every row a
// handler draws has its expected value, every icon it sets the expected image.
void checkCase(const BitCase& c, const StatusOctets& octets, const std::vector<Decoder>& handlers,
               std::map<Row, uint8_t> rows, std::map<G, uint8_t> icons) {
  if (c.row) rows[*c.row] = c.setValue;
  for (const auto& [g, i] : c.icons) icons[g] = i;
  std::map<Row, bool> drawn;
  for (const auto& h : handlers) {
    const DiagSteps s = must(h(octets));
    for (const DiagStep& st : s) {
      if (st.kind == DiagStep::Kind::DrawRow) {
        const Row r{st.group, st.row};
        ASSERT_TRUE(rows.count(r)) << describe(st);
        EXPECT_EQ(st.value, rows[r]) << describe(st);
        drawn[r] = true;
      } else if (st.kind == DiagStep::Kind::TabImage) {
        ASSERT_TRUE(icons.count(st.group)) << describe(st);
        EXPECT_EQ(st.value, icons[st.group]) << describe(st);
      }
    }
  }
  for (const auto& [r, v] : rows)
    EXPECT_TRUE(drawn[r]) << "row never drawn: "
                          << describe(DiagStep{DiagStep::Kind::DrawRow, r.first,
                                               static_cast<int8_t>(r.second), v});
}

std::map<Row, uint8_t> allRows(uint8_t value) {
  std::map<Row, uint8_t> rows;
  const std::map<G, int> counts = {{G::Sensor, 8},    {G::Input, 2},  {G::Value, 5},  {G::Alarm, 6},
                                   {G::Totalizer, 5}, {G::Output, 8}, {G::Config, 2}, {G::Memory, 5}};
  for (const auto& [g, n] : counts)
    for (int r = 0; r < n; ++r) rows[{g, r}] = value;
  return rows;
}

constexpr uint8_t Y = 1, W = 3;

// Variant 0: error octets 0 to 2, state octets 3 and 4.
const std::vector<BitCase> kStandardBits = {
    {0, 0x01, Row{G::Memory, 0}, Y, {{G::Memory, 1}}},
    {0, 0x02, Row{G::Memory, 1}, Y, {{G::Memory, 1}}},
    {0, 0x04, Row{G::Sensor, 0}, Y, {{G::Sensor, 1}}},
    {0, 0x08, Row{G::Sensor, 1}, Y, {{G::Sensor, 1}}},
    {0, 0x10, Row{G::Sensor, 2}, Y, {{G::Sensor, 1}}},
    {0, 0x20, Row{G::Sensor, 3}, Y, {{G::Sensor, 1}}},
    {0, 0x40, Row{G::Value, 0}, Y, {{G::Value, 1}}},
    {0, 0x80, Row{G::Value, 1}, Y, {{G::Value, 1}}},
    {1, 0x01, Row{G::Value, 2}, Y, {{G::Value, 1}}},
    {1, 0x02, Row{G::Value, 3}, Y, {{G::Value, 1}}},
    {1, 0x04, Row{G::Output, 0}, Y, {{G::Output, 1}}},
    {1, 0x08, Row{G::Output, 1}, Y, {{G::Output, 1}}},
    {1, 0x10, Row{G::Output, 2}, Y, {{G::Output, 1}}},
    {1, 0x20, Row{G::Output, 3}, Y, {{G::Output, 1}}},
    {1, 0x40, Row{G::Output, 4}, Y, {{G::Output, 1}}},
    {1, 0x80, Row{G::Output, 5}, Y, {{G::Output, 1}}},
    {2, 0x01, Row{G::Output, 6}, Y, {{G::Output, 1}}},
    {2, 0x02, Row{G::Output, 7}, Y, {{G::Output, 1}}},
    {2, 0x04, {}},
    {2, 0x08, {}},
    {2, 0x10, {}},
    {2, 0x20, {}},
    {2, 0x40, {}},
    {2, 0x80, {}},
    {3, 0x01, Row{G::Config, 0}, W, {{G::Config, 3}}},
    {3, 0x02, Row{G::Config, 1}, W, {{G::Config, 3}}},
    {3, 0x04, {}},
    {3, 0x08, {}},
    {3, 0x10, {}},
    {3, 0x20, {}},
    {3, 0x40, {}},
    {3, 0x80, {}},
    {4, 0x01, {}},
    {4, 0x02, {}},
    {4, 0x04, {}},
    {4, 0x08, {}},
    {4, 0x10, {}},
    {4, 0x20, {}},
    {4, 0x40, {}},
    {4, 0x80, {}},
};

class StandardBit : public ::testing::TestWithParam<BitCase> {};

TEST_P(StandardBit, LightsItsRowAndIcon) {
  const BitCase& c = GetParam();
  velumor::diag_view::StatusOctets o = variant0();
  if (c.octet <= 2)
    o.ErrorOctets.at(c.octet) = c.mask;
  else
    o.StateOctets.at(c.octet) = c.mask;
  std::map<Row, uint8_t> rows = allRows(2);
  for (int r = 0; r < 2; ++r) rows[{G::Input, r}] = 4;
  for (int r = 4; r < 8; ++r) rows[{G::Sensor, r}] = 4;
  for (int r = 0; r < 6; ++r) rows[{G::Alarm, r}] = 4;
  for (int r = 0; r < 5; ++r) rows[{G::Totalizer, r}] = 4;
  rows[{G::Value, 4}] = 4;
  for (int r = 2; r < 5; ++r) rows[{G::Memory, r}] = 4;
  const std::map<G, uint8_t> icons = {{G::Memory, 2}, {G::Sensor, 2}, {G::Value, 2}, {G::Output, 2},
                                      {G::Config, 2}, {G::Input, 4},  {G::Alarm, 4}, {G::Totalizer, 4}};
  checkCase(c, o, {velumor::diag_view::decodeErrorOctets, velumor::diag_view::decodeStateOctets}, rows,
            icons);
}

INSTANTIATE_TEST_SUITE_P(EveryBit, StandardBit, ::testing::ValuesIn(kStandardBits),
                         [](const ::testing::TestParamInfo<BitCase>& i) {
                           return "octet" + std::to_string(i.param.octet) + "_mask" +
                                  std::to_string(i.param.mask);
                         });

// Variant 1: error octets 0 to 3, transmitter state 14 and 15, warnings 16 to 18.
const std::vector<BitCase> kA10Bits = {
    {0, 0x01, Row{G::Memory, 0}, Y, {{G::Memory, 1}}},
    {0, 0x02, Row{G::Memory, 1}, Y, {{G::Memory, 1}}},
    {0, 0x04, {}},
    {0, 0x08, Row{G::Input, 1}, Y, {{G::Input, 1}}},
    {0, 0x10, Row{G::Sensor, 4}, Y, {{G::Sensor, 1}}},
    {0, 0x20, Row{G::Sensor, 1}, Y, {{G::Sensor, 1}}},
    {0, 0x40, Row{G::Sensor, 2}, Y, {{G::Sensor, 1}}},
    {0, 0x80, Row{G::Sensor, 3}, Y, {{G::Sensor, 1}}},
    {1, 0x01, Row{G::Value, 1}, Y, {{G::Value, 1}}},
    {1, 0x02, Row{G::Value, 0}, Y, {{G::Value, 1}}},
    {1, 0x04, Row{G::Value, 2}, Y, {{G::Value, 1}}},
    {1, 0x08, Row{G::Value, 3}, Y, {{G::Value, 1}}},
    {1, 0x10, Row{G::Input, 0}, Y, {{G::Input, 1}}},
    {1, 0x20, Row{G::Output, 0}, Y, {{G::Output, 1}}},
    {1, 0x40, Row{G::Output, 1}, Y, {{G::Output, 1}}},
    {1, 0x80, Row{G::Output, 2}, Y, {{G::Output, 1}}},
    {2, 0x01, Row{G::Output, 3}, Y, {{G::Output, 1}}},
    {2, 0x02, Row{G::Output, 4}, Y, {{G::Output, 1}}},
    {2, 0x04, Row{G::Output, 5}, Y, {{G::Output, 1}}},
    {2, 0x08, Row{G::Output, 6}, Y, {{G::Output, 1}}},
    {2, 0x10, Row{G::Output, 7}, Y, {{G::Output, 1}}},
    {2, 0x20, Row{G::Sensor, 5}, Y, {{G::Sensor, 1}}},
    {2, 0x40, Row{G::Sensor, 6}, Y, {{G::Sensor, 1}}},
    {2, 0x80, Row{G::Sensor, 7}, Y, {{G::Sensor, 1}}},
    {3, 0x01, {}},
    {3, 0x02, {}},
    {3, 0x04, {}},
    {3, 0x08, {}},
    {3, 0x10, {}},
    {3, 0x20, {}},
    {3, 0x40, {}},
    {3, 0x80, {}},
    {14, 0x01, Row{G::Config, 0}, W, {{G::Config, 3}}},
    {14, 0x02, {}},
    {14, 0x04, {}},
    {14, 0x08, {}},
    {14, 0x10, {}},
    {14, 0x20, {}},
    {14, 0x40, {}},
    {14, 0x80, {}},
    {15, 0x01, {}},
    {15, 0x02, {}},
    {15, 0x04, {}},
    {15, 0x08, {}},
    {15, 0x10, {}},
    {15, 0x20, {}},
    {15, 0x40, {}},
    {15, 0x80, {}},
    {16, 0x01, Row{G::Totalizer, 0}, W, {{G::Totalizer, 3}}},
    {16, 0x02, Row{G::Alarm, 0}, W, {{G::Alarm, 3}}},
    {16, 0x04, Row{G::Alarm, 1}, W, {{G::Alarm, 3}}},
    {16, 0x08, Row{G::Alarm, 2}, W, {{G::Alarm, 3}}},
    {16, 0x10, Row{G::Alarm, 3}, W, {{G::Alarm, 3}}},
    {16, 0x20, Row{G::Alarm, 4}, W, {{G::Alarm, 3}}},
    {16, 0x40, Row{G::Alarm, 5}, W, {{G::Alarm, 3}}},
    {16, 0x80, Row{G::Value, 4}, W, {{G::Value, 3}}},
    {17, 0x01, Row{G::Memory, 2}, W, {{G::Memory, 3}}},
    {17, 0x02, Row{G::Memory, 3}, W, {{G::Memory, 3}}},
    {17, 0x04, Row{G::Memory, 4}, W, {{G::Memory, 3}}},
    {17, 0x08, Row{G::Config, 1}, W, {{G::Config, 3}}},
    {17, 0x10, Row{G::Totalizer, 1}, W, {{G::Totalizer, 3}}},
    {17, 0x20, Row{G::Totalizer, 2}, W, {{G::Totalizer, 3}}},
    {17, 0x40, Row{G::Totalizer, 3}, W, {{G::Totalizer, 3}}},
    {17, 0x80, Row{G::Totalizer, 4}, W, {{G::Totalizer, 3}}},
    {18, 0x01, {}},
    {18, 0x02, {}},
    {18, 0x04, {}},
    {18, 0x08, {}},
    {18, 0x10, {}},
    {18, 0x20, {}},
    {18, 0x40, {}},
    {18, 0x80, {}},
};

class A10Bit : public ::testing::TestWithParam<BitCase> {};

TEST_P(A10Bit, LightsItsRowAndIcon) {
  const BitCase& c = GetParam();
  velumor::diag_view::StatusOctets o = variant1();
  if (c.octet <= 3)
    o.ErrorOctets.at(c.octet) = c.mask;
  else if (c.octet <= 15)
    o.StateOctets.at(c.octet) = c.mask;
  else
    o.WarningOctets.at(c.octet) = c.mask;
  std::map<Row, uint8_t> rows = allRows(2);
  rows[{G::Sensor, 0}] = 4;
  std::map<G, uint8_t> icons;
  for (G g : {G::Memory, G::Input, G::Sensor, G::Value, G::Output, G::Config, G::Alarm, G::Totalizer})
    icons[g] = 2;
  checkCase(c, o,
            {velumor::diag_view::decodeA10Errors, velumor::diag_view::decodeA10TState,
             velumor::diag_view::decodeA10Warnings},
            rows, icons);
}

INSTANTIATE_TEST_SUITE_P(EveryBit, A10Bit, ::testing::ValuesIn(kA10Bits),
                         [](const ::testing::TestParamInfo<BitCase>& i) {
                           return "octet" + std::to_string(i.param.octet) + "_mask" +
                                  std::to_string(i.param.mask);
                         });

// ------------------------------------------------------------------ combined cases

// The value a decoding gives a row (last drawing wins), and a group's icon.
std::optional<uint8_t> rowOf(const DiagSteps& s, G g, int row) {
  std::optional<uint8_t> v;
  for (const auto& st : s)
    if (st.kind == DiagStep::Kind::DrawRow && st.group == g && st.row == row) v = st.value;
  return v;
}
std::optional<uint8_t> iconOf(const DiagSteps& s, G g) {
  std::optional<uint8_t> v;
  for (const auto& st : s)
    if (st.kind == DiagStep::Kind::TabImage && st.group == g) v = st.value;
  return v;
}

TEST(DiagDecodeCombined, StandardErrorsAcrossGroups) {
  const DiagSteps s = must(velumor::diag_view::decodeErrorOctets(variant0({0x05, 0x00, 0x00})));
  EXPECT_EQ(iconOf(s, G::Memory), 1);
  EXPECT_EQ(rowOf(s, G::Memory, 0), 1);
  EXPECT_EQ(rowOf(s, G::Memory, 1), 2);
  EXPECT_EQ(iconOf(s, G::Sensor), 1);
  EXPECT_EQ(rowOf(s, G::Sensor, 0), 1);
  for (int r = 1; r < 4; ++r) EXPECT_EQ(rowOf(s, G::Sensor, r), 2);
  EXPECT_EQ(iconOf(s, G::Value), 2);
}

TEST(DiagDecodeCombined, StandardEverySetErrorBitTogether) {
  const DiagSteps s = must(velumor::diag_view::decodeErrorOctets(variant0({0xFF, 0xFF, 0xFF})));
  for (int r = 0; r < 4; ++r) EXPECT_EQ(rowOf(s, G::Sensor, r), 1);
  for (int r = 4; r < 8; ++r) EXPECT_EQ(rowOf(s, G::Sensor, r), 4);
  for (int r = 0; r < 8; ++r) EXPECT_EQ(rowOf(s, G::Output, r), 1);
  EXPECT_EQ(rowOf(s, G::Input, 0), 4);
  EXPECT_EQ(iconOf(s, G::Input), 4);
}

TEST(DiagDecodeCombined, StandardConfigIconOnlyFromItsTwoBits) {
  const DiagSteps two = must(velumor::diag_view::decodeStateOctets(variant0({0, 0, 0}, {0x02, 0x00})));
  EXPECT_EQ(iconOf(two, G::Config), 3);
  EXPECT_EQ(rowOf(two, G::Config, 0), 2);
  EXPECT_EQ(rowOf(two, G::Config, 1), 3);
  const DiagSteps four = must(velumor::diag_view::decodeStateOctets(variant0({0, 0, 0}, {0x04, 0xFF})));
  EXPECT_EQ(iconOf(four, G::Config), 2);
  // Function test on counts as a warning, never as an error.
  const DiagSteps all = must(velumor::diag_view::decodeStateOctets(variant0({0, 0, 0}, {0xFF, 0x00})));
  EXPECT_EQ(rowOf(all, G::Config, 0), 3);
  EXPECT_EQ(iconOf(all, G::Config), 3);
}

TEST(DiagDecodeCombined, A10ValueRowsSwappedAgainstStandard) {
  const DiagSteps s = must(velumor::diag_view::decodeA10Errors(variant1({0x00, 0x01, 0x00, 0x00})));
  EXPECT_EQ(rowOf(s, G::Value, 1), 1);
  EXPECT_EQ(rowOf(s, G::Value, 0), 2);
  EXPECT_EQ(iconOf(s, G::Value), 1);
}

TEST(DiagDecodeCombined, A10MemoryErrorBeatsMemoryWarning) {
  const StatusOctets o = variant1({0x01, 0, 0, 0}, {0, 0}, {0x00, 0x01, 0x00});
  const DiagSteps e = must(velumor::diag_view::decodeA10Errors(o));
  const DiagSteps w = must(velumor::diag_view::decodeA10Warnings(o));
  EXPECT_EQ(rowOf(e, G::Memory, 0), 1);
  EXPECT_EQ(rowOf(w, G::Memory, 2), 3);
  EXPECT_EQ(iconOf(e, G::Memory), 1);
  EXPECT_EQ(iconOf(w, G::Memory), 1);
}

TEST(DiagDecodeCombined, A10MemoryWarningAloneLeavesConfig) {
  const StatusOctets o = variant1({0, 0, 0, 0}, {0, 0}, {0x00, 0x04, 0x00});
  const DiagSteps w = must(velumor::diag_view::decodeA10Warnings(o));
  EXPECT_EQ(rowOf(w, G::Memory, 4), 3);
  EXPECT_EQ(iconOf(w, G::Memory), 3);
  EXPECT_EQ(iconOf(w, G::Config), 2);
  // The error report combines its own clear octets with the warning octets it holds.
  EXPECT_EQ(iconOf(must(velumor::diag_view::decodeA10Errors(o)), G::Memory), 3);
}

TEST(DiagDecodeCombined, A10SimulationWarningFromEitherReport) {
  const StatusOctets o = variant1({0, 0, 0, 0}, {0, 0}, {0x00, 0x08, 0x00});
  const DiagSteps w = must(velumor::diag_view::decodeA10Warnings(o));
  EXPECT_EQ(rowOf(w, G::Config, 1), 3);
  EXPECT_EQ(iconOf(w, G::Config), 3);
  const DiagSteps t = must(velumor::diag_view::decodeA10TState(o));
  EXPECT_EQ(iconOf(t, G::Config), 3);
  EXPECT_EQ(rowOf(t, G::Config, 0), 2);
}

TEST(DiagDecodeCombined, A10FunctionTestOnlyFromItsOwnBit) {
  EXPECT_EQ(rowOf(must(velumor::diag_view::decodeA10TState(variant1({0, 0, 0, 0}, {0x01, 0}))), G::Config, 0),
            3);
  const DiagSteps fe = must(velumor::diag_view::decodeA10TState(variant1({0, 0, 0, 0}, {0xFE, 0xFF})));
  EXPECT_EQ(rowOf(fe, G::Config, 0), 2);
  EXPECT_EQ(iconOf(fe, G::Config), 2);
}

TEST(DiagDecodeCombined, A10ValueErrorBeatsReverseFlowWarning) {
  const StatusOctets both = variant1({0, 0x08, 0, 0}, {0, 0}, {0x80, 0, 0});
  EXPECT_EQ(iconOf(must(velumor::diag_view::decodeA10Errors(both)), G::Value), 1);
  EXPECT_EQ(iconOf(must(velumor::diag_view::decodeA10Warnings(both)), G::Value), 1);
  const StatusOctets warning = variant1({0, 0, 0, 0}, {0, 0}, {0x80, 0, 0});
  EXPECT_EQ(iconOf(must(velumor::diag_view::decodeA10Errors(warning)), G::Value), 3);
  EXPECT_EQ(iconOf(must(velumor::diag_view::decodeA10Warnings(warning)), G::Value), 3);
}

TEST(DiagDecodeCombined, A10TotalizerIconFromBothWarningOctets) {
  EXPECT_EQ(iconOf(must(velumor::diag_view::decodeA10Warnings(variant1({0, 0, 0, 0}, {0, 0}, {0x01, 0, 0}))),
                   G::Totalizer),
            3);
  EXPECT_EQ(iconOf(must(velumor::diag_view::decodeA10Warnings(variant1({0, 0, 0, 0}, {0, 0}, {0, 0x80, 0}))),
                   G::Totalizer),
            3);
  // Alarm bits are not totalizer bits.
  EXPECT_EQ(
      iconOf(must(velumor::diag_view::decodeA10Warnings(variant1({0, 0, 0, 0}, {0, 0}, {0x7E, 0x0F, 0}))),
             G::Totalizer),
      2);
}

// ------------------------------------------------------------------ short arrays

TEST(DiagDecodeShort, EveryOctetReadIsRequired) {
  struct Case {
    const char* name;
    StatusOctets octets;
    std::optional<DiagSteps> (*decode)(const StatusOctets&);
  };
  const std::vector<Case> cases = {
      {"standard errors without octet 2", variant0({0xFF, 0xFF}), velumor::diag_view::decodeErrorOctets},
      {"standard errors from octet 1",
       {ByteArray{1, {0, 0, 0}}, ByteArray{3, {0, 0}}, {}},
       velumor::diag_view::decodeErrorOctets},
      {"standard state indexed from 0",
       {ByteArray{0, {0, 0, 0}}, ByteArray{0, {0xFF, 0xFF}}, {}},
       velumor::diag_view::decodeStateOctets},
      {"standard state empty",
       {ByteArray{0, {0, 0, 0}}, ByteArray{}, {}},
       velumor::diag_view::decodeStateOctets},
      {"A10 errors without octet 2", variant1({0xFF, 0xFF}), velumor::diag_view::decodeA10Errors},
      {"A10 errors with no warning octets",
       {ByteArray{0, {0, 0, 0, 0}}, ByteArray{14, {0, 0}}, ByteArray{}},
       velumor::diag_view::decodeA10Errors},
      {"A10 state without octet 14", variant1({0, 0, 0, 0}, {}), velumor::diag_view::decodeA10TState},
      {"A10 state with warnings up to 16",
       {ByteArray{0, {0, 0, 0, 0}}, ByteArray{14, {1, 0}}, ByteArray{16, {0}}},
       velumor::diag_view::decodeA10TState},
      {"A10 warnings with octet 16 only", variant1({0, 0, 0, 0}, {0, 0}, {0xFF}),
       velumor::diag_view::decodeA10Warnings},
      {"A10 warnings with errors up to 0",
       {ByteArray{0, {1}}, ByteArray{14, {0, 0}}, ByteArray{16, {0, 0, 0}}},
       velumor::diag_view::decodeA10Warnings},
      {"A10 warnings with the standard state octets",
       {ByteArray{0, {0, 0, 0, 0}}, ByteArray{3, {0, 0}}, ByteArray{16, {0, 0, 0}}},
       velumor::diag_view::decodeA10Warnings},
  };
  for (const auto& c : cases) EXPECT_FALSE(c.decode(c.octets).has_value()) << c.name;
}

TEST(DiagDecodeShort, OctetsNobodyReadsMayBeMissing) {
  // Octet 4 of the standard state, octet 3 of the errors, 15 and 18 feed no row.
  EXPECT_TRUE(
      velumor::diag_view::decodeStateOctets({ByteArray{0, {0, 0, 0}}, ByteArray{3, {0x01}}, {}}).has_value());
  const StatusOctets lean{ByteArray{0, {0, 0, 0}}, ByteArray{14, {0x01}}, ByteArray{16, {0, 0}}};
  EXPECT_TRUE(velumor::diag_view::decodeA10Errors(lean).has_value());
  EXPECT_TRUE(velumor::diag_view::decodeA10TState(lean).has_value());
  EXPECT_TRUE(velumor::diag_view::decodeA10Warnings(lean).has_value());
}

}  // namespace
