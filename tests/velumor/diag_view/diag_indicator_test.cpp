// One indicator row as the user sees it: text, colours and lamp for each value, pale while
// the device is not connected; and the picture that sums up a group on its tab.
#include "tests/velumor/diag_view/diag_view_fixture.h"

namespace diagview_test {
namespace {

struct IndicatorCase {
  uint8_t value;
  int32_t connection;
  const char* text;
  int32_t back;
  int32_t fore;
};

void PrintTo(const IndicatorCase& c, std::ostream* os) {
  *os << "value " << int(c.value) << " state " << c.connection;
}

class SetDiagIndicatorTest : public DiagViewTest, public ::testing::WithParamInterface<IndicatorCase> {};

TEST_P(SetDiagIndicatorTest, DrawsTextColoursAndLamp) {
  const IndicatorCase& c = GetParam();
  showConnection(c.connection);
  form->SetDiagIndicator(c.value, &ctl("DiagSensorText", 2), &ctl("DiagSensorONOFF", 2));
  EXPECT_EQ(rowText("Sensor", 2), c.text);
  EXPECT_EQ(backColour("Sensor", 2), c.back);
  EXPECT_EQ(foreColour("Sensor", 2), c.fore);
  EXPECT_EQ(lamp("Sensor", 2), c.value);
}

INSTANTIATE_TEST_SUITE_P(Values, SetDiagIndicatorTest,
                         ::testing::Values(IndicatorCase{1, 2, "Yes", 0x0000FF, kWindowText},
                                           IndicatorCase{1, 0, "Yes", 0xC0C0FF, kGreyText},
                                           IndicatorCase{2, 2, "No", 0x80FF80, kWindowText},
                                           IndicatorCase{2, 0, "No", 0x80FF80,
                                                         kGreyText},  // only the text turns grey
                                           IndicatorCase{3, 2, "Warning", 0x00FFFF, kWindowText},
                                           IndicatorCase{3, 4, "Warning", 0xC0FFFF, kGreyText},
                                           IndicatorCase{4, 2, "off", kWindowBackground, kWindowText},
                                           IndicatorCase{4, 1, "off", 0xC0C0C5, kGreyText}));

TEST_F(DiagViewTest, EitherControlOfARowMayBeMissing) {
  showConnection(2);
  form->SetDiagIndicator(1, nullptr, &ctl("DiagValueONOFF", 0));
  EXPECT_EQ(lamp("Value", 0), 1);
  EXPECT_EQ(rowText("Value", 0), "off");  // untouched
  form->SetDiagIndicator(3, &ctl("DiagValueText", 1), nullptr);
  EXPECT_EQ(rowText("Value", 1), "Warning");
  EXPECT_EQ(lamp("Value", 1), 4);
}

TEST_F(DiagViewTest, AValueWithoutAColourDrawsBlackWithoutFailing) {
  open();
  form->SetDiagIndicator(0, &ctl("DiagValueText", 1), &ctl("DiagValueONOFF", 1));
  EXPECT_EQ(backColour("Value", 1), 0);
  EXPECT_EQ(foreColour("Value", 1), 0);
  EXPECT_EQ(rowText("Value", 1), "");
  EXPECT_EQ(platform::ui::EventLoop::instance().errors().size(), 0u);
}

TEST(ShiftColourTest, RaisesOnlyTheBytesBelowSixtyThree) {
  struct Case {
    int32_t in, out;
  };
  for (const Case& c :
       {Case{0x0000FF, 0xC0C0FF}, Case{0x00FFFF, 0xC0FFFF}, Case{0x80FF80, 0x80FF80},
        Case{static_cast<int32_t>(0x80000005u), 0xC0C0C5}, Case{0x3F, 0xC0C03F}, Case{0x3E, 0xC0C0FE},
        Case{static_cast<int32_t>(0x80404040u), 0x404040}, Case{0, 0xC0C0C0}}) {
    EXPECT_EQ(velumor::diag_view::VelumorDiagViewForm::ShiftColour(c.in), c.out) << std::hex << c.in;
    // Paling twice does no harm.
    EXPECT_EQ(velumor::diag_view::VelumorDiagViewForm::ShiftColour(c.out), c.out) << std::hex << c.in;
  }
}

TEST(TabIconRuleTest, ErrorThenWarningThenOk) {
  using F = velumor::diag_view::VelumorDiagViewForm;
  EXPECT_EQ(F::summaryImage(true, true), F::kImageError);
  EXPECT_EQ(F::summaryImage(true, false), F::kImageError);
  EXPECT_EQ(F::summaryImage(false, true), F::kImageWarning);
  EXPECT_EQ(F::summaryImage(false, false), F::kImageOk);
}

TEST_F(DiagViewTest, TabPicturesAndFlagsReachTheStripAndSkipTheMissingTab) {
  open();
  form->setTabImage("DiagSensorKey", Form::kImageError);
  form->setTabImage("DiagAlarmKey", Form::kImageOff);
  form->setTabPresent("DiagAlarmKey", false);
  form->setTabImage("DiagLimitsKey", Form::kImageError);  // not in the strip: no error
  form->setTabPresent("DiagLimitsKey", false);
  EXPECT_EQ(tabs().tab(Variant("DiagSensorKey")).image, Form::kImageError);
  EXPECT_EQ(tabs().tab(Variant("DiagAlarmKey")).image, Form::kImageOff);
  EXPECT_FALSE(tabs().tab(Variant("DiagAlarmKey")).tag.toBool());
  EXPECT_EQ(tabs().count(), 9);
}

}  // namespace
}  // namespace diagview_test
