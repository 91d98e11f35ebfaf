// A host may write any number into a unit, mode or count item. The simulated meter converted
// such values to integers unchecked (undefined behaviour, seen once the sanitizer build checks
// float-cast-overflow) as soon as a download brought them into the device.
#include "reliability_support.h"

namespace reliab {
namespace {

TEST_F(ScriptSession, HugeCodesAndCountsSurviveADownload) {
  const char* items[] = {"CURRENT_OUTPUT_1_OUTPUT_VARIABLE",
                         "CURRENT_OUTPUT_2_OUTPUT_VARIABLE",
                         "DISPLAY_2ND_LINE",
                         "FLOW_DIRECTION",
                         "PULSE_FACTOR_QM_UNIT",
                         "PULSE_FACTOR_QV_UNIT",
                         "PULSE_OUTPUT_MODE",
                         "QMAX_METER_TUBE_UNIT",
                         "QM_MAXIMUM_UNIT",
                         "TOTALIZER_QM_F_SET_UNIT",
                         "TOTALIZER_QM_OVERFLOW_F",
                         "TOTALIZER_QM_OVERFLOW_R",
                         "TOTALIZER_QM_R_SET_UNIT",
                         "TOTALIZER_QV_F_SET_UNIT",
                         "TOTALIZER_QV_OVERFLOW_F",
                         "TOTALIZER_QV_OVERFLOW_R",
                         "TOTALIZER_QV_R_SET_UNIT",
                         "UNITS_DENSITY",
                         "UNITS_QM",
                         "UNITS_QV",
                         "UNITS_TEMPERATURE",
                         "UNITS_TOTALIZER_QM",
                         "UNITS_TOTALIZER_QV",
                         "CURRENT_OUTPUT_1_ALARM"};
  for (const char* value : {"1e300", "-1e300", "9.3e18", "4294967296"}) {
    SCOPED_TRACE(value);
    std::string script = "frame Connect\nrun 3000\n";
    for (const char* item : items) {
      if (session->deviceData().findVariable(item)) script += std::string("set ") + item + " " + value + "\n";
    }
    script +=
        "frame StartSequence FULL_DOWNLOAD\nrun 30000\nframe StartSequence UPLOAD\nrun 30000\n"
        "scenario totalizer-overflow\nrun 5000\nexpect-no-error\nframe Disconnect\n";
    EXPECT_EQ(run(script), 0) << output;
  }
}

}  // namespace
}  // namespace reliab
