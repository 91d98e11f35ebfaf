// The simulated meter: values that move while connected, named conditions, status octets.
#include <gtest/gtest.h>

#include "sim_test_support.h"
#include "tolvar/sim/rq4400_simulator.h"
#include "tolvar/sim/sequence_engine.h"

namespace simtest {
namespace {

using platform::com::ByteArray;
using tolvar::sim::Rq4400Simulator;

class SimulatorTest : public SessionTest {
 protected:
  ByteArray bytes(const std::string& name) {
    auto v = session->itemValue(name);
    EXPECT_TRUE(v && v->type() == platform::com::VarType::ByteArray) << name;
    return v && v->type() == platform::com::VarType::ByteArray ? v->byteArray() : ByteArray{};
  }
  int fds() { return static_cast<int>(value("LastFieldDeviceStatus")); }
  bool scenario(const std::string& name) {
    const auto set = session->scenario(name);
    EXPECT_TRUE(set.ok()) << set.text();
    return set.ok();
  }
  void runSequence(const std::string& name) {
    int32_t result = -1;
    session->frameOperations().startSequence(name, result);
    ASSERT_EQ(result, 0) << name;
    runUntilIdle();
  }
};

TEST_F(SimulatorTest, ValuesMoveWhileConnectedAndStandStillOtherwise) {
  const double pvBefore = value("PRIMARY_VALUE");
  const double totalBefore = value("TOTALIZER_QM_F_SET_VALUE");
  run(5000);
  EXPECT_EQ(value("PRIMARY_VALUE"), pvBefore) << "nothing is read while disconnected";
  connect();
  std::vector<double> pv, total;
  for (int i = 0; i < 20; ++i) {
    run(Rq4400Simulator::kCycleMs);
    pv.push_back(value("PRIMARY_VALUE"));
    total.push_back(value("TOTALIZER_QM_F_SET_VALUE"));
  }
  EXPECT_GT(std::count_if(pv.begin() + 1, pv.end(), [&](double v) { return v != pv[0]; }), 10)
      << "mass flow moves";
  for (double v : pv) {
    EXPECT_GT(v, 10000.0);  // kg/h around the meter's working point
    EXPECT_LT(v, 15000.0);
  }
  EXPECT_TRUE(std::is_sorted(total.begin(), total.end())) << "a forward totalizer only counts up";
  EXPECT_GT(total.back(), totalBefore);
  // 12.5 t/h for about five seconds is some 17 kg.
  EXPECT_NEAR(total.back() - totalBefore, 12500.0 * 5.25 / 3600.0, 4.0);
  const double density = value("SECOND_VALUE");
  EXPECT_NEAR(density, 998.2, 2.0);
  EXPECT_NEAR(value("FOURTH_VALUE"), 21.5, 1.5) << "the second display line shows the temperature";
  const double mA = value("PRIMARY_CURR");
  EXPECT_GT(mA, 4.0);
  EXPECT_LT(mA, 20.0);
  EXPECT_NEAR(value("PRIMARY_PER_RANGE"), (mA - 4.0) / 16.0 * 100.0, 1e-3);

  session->frameOperations().disconnect();
  run(1000);
  const double frozen = value("PRIMARY_VALUE");
  run(5000);
  EXPECT_EQ(value("PRIMARY_VALUE"), frozen);
}

TEST_F(SimulatorTest, OutputsFollowTheConfiguredVariableAndUnits) {
  connect();
  // Written to the meter as a download would: the selection and the unit.
  auto* access = session->itemAccess();
  const tolvar::Status variable = access->setItemFromText("CURRENT_OUTPUT_1_OUTPUT_VARIABLE", "Temperature");
  ASSERT_TRUE(variable.ok()) << variable.text();
  const tolvar::Status unit = access->setItemFromText("UNITS_TEMPERATURE", "K");
  ASSERT_TRUE(unit.ok()) << unit.text();
  runSequence("DOWNLOAD");
  run(Rq4400Simulator::kCycleMs);
  EXPECT_NEAR(value("PRIMARY_VALUE"), 294.65, 1.5) << "the temperature in kelvin";
  EXPECT_EQ(value("PRIMARY_UNITS"), 35.0);
}

TEST_F(SimulatorTest, FaultScenariosSetTheStatusOctetsOfTheActiveVariant) {
  ASSERT_TRUE(scenario("sensor-fault"));
  EXPECT_EQ(fds() & Rq4400Simulator::kMalfunction, Rq4400Simulator::kMalfunction);
  EXPECT_EQ(fds() & Rq4400Simulator::kMoreStatus, Rq4400Simulator::kMoreStatus);
  ByteArray err = bytes("ADD_TRANSMITTER_STATE_ERROR");
  EXPECT_EQ(err.lowerBound, 0);
  EXPECT_EQ(err.at(0) & 0x08, 0x08) << "sensor row 1 of the first variant";
  EXPECT_EQ(value("HartRevision"), 0.0);

  ASSERT_TRUE(scenario("variant-a10"));
  EXPECT_EQ(value("HartRevision"), 1.0);
  ByteArray a10 = bytes("A10_ADD_TRANSMITTER_STATE_ERROR");
  EXPECT_EQ(a10.at(0) & 0x20, 0x20) << "the same fault where the second variant reports it";
  EXPECT_EQ(a10.at(0) & 0x08, 0);
  ByteArray r48 = bytes("&&Record_Response&&HART_COMMAND_048_ReadOctets");
  EXPECT_EQ(r48.lowerBound, 1);
  ASSERT_EQ(r48.data.size(), 6u);
  EXPECT_EQ(r48.at(6), 25) << "the number of status octets tells the variant";

  ASSERT_TRUE(scenario("config-changed"));
  EXPECT_EQ(bytes("A10_ADD_TRANSMITTER_STATE_WARNINGS").at(17) & 0x08, 0x08);
  EXPECT_EQ(fds() & Rq4400Simulator::kConfigChanged, Rq4400Simulator::kConfigChanged);

  ASSERT_TRUE(scenario("normal"));
  EXPECT_EQ(fds(), 0);
  for (uint8_t o : bytes("ADD_TRANSMITTER_STATE").data) EXPECT_EQ(o, 0);
  EXPECT_EQ(value("HartRevision"), 1.0) << "the variant stays";
  ASSERT_TRUE(scenario("variant-standard"));
  EXPECT_EQ(bytes("&&Record_Response&&HART_COMMAND_048_ReadOctets").at(6), 5);

  const auto unknown = session->scenario("meltdown");
  EXPECT_EQ(unknown.reason(), tolvar::Reason::NotFound);
  EXPECT_NE(unknown.text().find("\"meltdown\""), std::string::npos) << unknown.text();
  EXPECT_NE(unknown.text().find("empty-pipe"), std::string::npos)
      << "the message lists the known names: " << unknown.text();
}

TEST_F(SimulatorTest, WarningsScenarioSetsWarningBitsOfTheActiveVariantOnly) {
  ASSERT_TRUE(scenario("warnings"));
  EXPECT_EQ(bytes("ADD_TRANSMITTER_STATE_STATE").at(3), 0x01) << "function test on, nothing else";
  for (uint8_t o : bytes("ADD_TRANSMITTER_STATE_ERROR").data) EXPECT_EQ(o, 0) << "warnings are no errors";
  EXPECT_EQ(fds() & Rq4400Simulator::kMalfunction, 0);

  ASSERT_TRUE(scenario("variant-a10"));
  EXPECT_EQ(bytes("A10_ADD_TRANSMITTER_STATE_TSTATE").at(14), 0x01);
  const ByteArray w = bytes("A10_ADD_TRANSMITTER_STATE_WARNINGS");
  EXPECT_EQ(w.at(16), 0x08) << "max. alarm density";
  EXPECT_EQ(w.at(17), 0x01) << "external data loaded";
  for (uint8_t o : bytes("A10_ADD_TRANSMITTER_STATE_ERROR").data) EXPECT_EQ(o, 0);

  ASSERT_TRUE(scenario("normal"));
  EXPECT_EQ(bytes("A10_ADD_TRANSMITTER_STATE_WARNINGS").data, (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(bytes("A10_ADD_TRANSMITTER_STATE_TSTATE").at(14), 0);
}

TEST_F(SimulatorTest, ProcessFaultsShowInTheValues) {
  connect();
  ASSERT_TRUE(scenario("fixed-current"));
  EXPECT_EQ(fds() & Rq4400Simulator::kLoopCurrentFixed, Rq4400Simulator::kLoopCurrentFixed);
  EXPECT_DOUBLE_EQ(value("PRIMARY_CURR"), 12.0);
  ASSERT_TRUE(scenario("normal"));
  EXPECT_EQ(fds() & Rq4400Simulator::kLoopCurrentFixed, 0);

  ASSERT_TRUE(scenario("overrange"));
  run(10000);
  EXPECT_GT(value("PRIMARY_VALUE"), 36000.0) << "beyond the tube's maximum";
  EXPECT_DOUBLE_EQ(value("PRIMARY_CURR"), 20.5) << "the current output saturates";
  runSequence("GET_TRANSMITTER_STATE_Octets");
  EXPECT_EQ(fds() & (Rq4400Simulator::kPrimaryOutOfLimits | Rq4400Simulator::kOutputSaturated),
            Rq4400Simulator::kPrimaryOutOfLimits | Rq4400Simulator::kOutputSaturated);

  ASSERT_TRUE(scenario("normal"));
  ASSERT_TRUE(scenario("empty-pipe"));
  run(2000);
  EXPECT_LT(value("SECOND_VALUE"), 5.0) << "the density of air";
  EXPECT_EQ(bytes("ADD_TRANSMITTER_STATE_ERROR").at(0) & 0x40, 0x40);

  ASSERT_TRUE(scenario("normal"));
  const double overflow = value("TOTALIZER_QM_OVERFLOW_F");
  ASSERT_TRUE(scenario("totalizer-overflow"));
  EXPECT_EQ(value("TOTALIZER_QM_OVERFLOW_F"), overflow + 1);
}

TEST_F(SimulatorTest, StatusOctetsWrittenByTheHostAreWhatTheMeterReportsNext) {
  connect();
  ASSERT_TRUE(scenario("variant-a10"));
  const auto set = session->setBytes("A10_ADD_TRANSMITTER_STATE_WARNINGS", ByteArray{0, {0x02, 0x10, 0x00}});
  ASSERT_TRUE(set.ok()) << set.text();
  ByteArray w = bytes("A10_ADD_TRANSMITTER_STATE_WARNINGS");
  EXPECT_EQ(w.lowerBound, 16) << "kept under the item's own octet numbers";
  runSequence("GET_TRANSMITTER_STATE_Octets");
  w = bytes("A10_ADD_TRANSMITTER_STATE_WARNINGS");
  EXPECT_EQ(w.data, (std::vector<uint8_t>{0x02, 0x10, 0x00}));
  EXPECT_EQ(bytes("ADD_TRANSMITTER_STATE").at(16), 0x02) << "the whole octet list agrees";
}

TEST_F(SimulatorTest, TotalizerResetsAnswerWithTheResetValues) {
  connect();
  run(3000);
  ASSERT_GT(value("TOTALIZER_QM_F_SET_VALUE"), 1000.0);
  runSequence("SeqHART_COMMAND_140_Read");
  EXPECT_LT(value("TOTALIZER_QM_F_SET_VALUE"), 10.0) << "counting again from zero";
  EXPECT_EQ(value("TOTALIZER_QM_OVERFLOW_F"), 0.0);
  EXPECT_GT(value("TOTALIZER_QV_F_SET_VALUE"), 1.0) << "the volume totalizer is another";
}

}  // namespace
}  // namespace simtest
