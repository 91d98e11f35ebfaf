// Every caption of the main window comes from the string tables in the user's language:
// the design's placeholders never reach the user. The expected texts are read from the
// string-table sources, the controls that show them from the window design's text ids.
#include <nlohmann/json.hpp>

#include "tests/velumor/main_view/main_view_fixture.h"

namespace mainview_test {
namespace {

struct DesignText {
  std::string name;
  int32_t index;
  std::string type;
  int32_t textId;
};

struct DesignTab {
  std::string key;
  int32_t textId;
};

void readDesign(std::vector<DesignText>& controls, std::vector<DesignTab>& tabs) {
  std::ifstream in(VELUMOR_MAIN_DESIGN);
  ASSERT_TRUE(in) << VELUMOR_MAIN_DESIGN;
  const nlohmann::json design = nlohmann::json::parse(in);
  for (const auto& c : design["controls"]) {
    if (c.contains("textId"))
      controls.push_back({c["name"].get<std::string>(), c.value("index", -1), c["type"].get<std::string>(),
                          c["textId"].get<int32_t>()});
    if (c.contains("tabs"))
      for (const auto& t : c["tabs"])
        tabs.push_back({t["key"].get<std::string>(), t["textId"].get<int32_t>()});
  }
}

class MainViewTextsTest : public MainViewTest, public ::testing::WithParamInterface<const char*> {};

// Every control the design names with a text id shows that string of the user's language:
// menus, tabs, frames, labels, buttons and the label texts of the host's value rows.
TEST_P(MainViewTextsTest, EveryCaptionComesFromTheUsersStringTable) {
  ScopedLang lang(GetParam());
  const std::map<int32_t, std::string> table = readStringTable(GetParam());
  std::vector<DesignText> controls;
  std::vector<DesignTab> designTabs;
  readDesign(controls, designTabs);
  ASSERT_GT(controls.size(), 150u);
  ASSERT_EQ(designTabs.size(), 15u);
  open();

  int menus = 0, labelTexts = 0;
  for (const DesignText& d : controls) {
    auto expected = table.find(d.textId);
    ASSERT_NE(expected, table.end()) << d.textId;
    const std::string where = d.name + "(" + std::to_string(d.index) + ")";
    if (d.type == "Tolvar4LabelTextUnit") {
      EXPECT_EQ(hostProperty(d.name, d.index, "LabelText").toString(), expected->second) << where;
      ++labelTexts;
    } else {
      EXPECT_EQ(ctl(d.name, d.index).caption(), expected->second) << where;
      if (d.type == "Menu") ++menus;
    }
  }
  EXPECT_EQ(menus, 36);
  EXPECT_GT(labelTexts, 30);

  // The twelve tabs in the row, then the three parked ones with the captions they come back
  // with.
  std::vector<const DesignTab*> parked;
  for (const DesignTab& t : designTabs) {
    if (tabs().positionOf(t.key) == 0)
      parked.push_back(&t);
    else
      EXPECT_EQ(tabs().tab(Variant(t.key)).caption, table.at(t.textId)) << t.key;
  }
  EXPECT_EQ(parked.size(), 3u);
  form->AddTab();
  for (const DesignTab* t : parked) {
    ASSERT_NE(tabs().positionOf(t->key), 0) << t->key;
    EXPECT_EQ(tabs().tab(Variant(t->key)).caption, table.at(t->textId)) << t->key;
  }

  EXPECT_EQ(ctl("InitLabel").caption(), table.at(150));
  auto& bar = form->statusBar("VelumorStatusBar");
  EXPECT_EQ(bar.panel(Variant("StatusBarCommText")).toolTipText, table.at(301) + table.at(310));
  EXPECT_EQ(bar.panel(Variant("StatusBarDataSource")).toolTipText, table.at(433));
}

INSTANTIATE_TEST_SUITE_P(Languages, MainViewTextsTest, ::testing::Values("en", "de"));

TEST_F(MainViewTest, PageFramesHaveNoCaptionButTheOutputConfiguration) {
  open();
  for (std::string_view frame : velumor::main_view::VelumorMainViewForm::pageFrameNames())
    EXPECT_EQ(ctl(frame).caption(), frame == "MainOutputCfgFrame" ? "Output Configuration" : "") << frame;
  for (const char* inner :
       {"MassCounterFunctionFrame", "VolumeCounterFunctionFrame", "MainOutput1LimitsFrame",
        "MainOutput1AlarmFrame", "Output1SensorInfoFrame", "MainOutput2LimitsFrame", "MainOutput2AlarmFrame"})
    EXPECT_EQ(ctl(inner).caption(), "") << inner;
  EXPECT_EQ(ctl("CommentsText").text(), "");
}

TEST_F(MainViewTest, DeviceInfoHidesTheOrderNumberAndTakesTheAddressOutOfTheTabOrder) {
  open();
  EXPECT_FALSE(ctl("DevDataLabel", 6).visible());
  EXPECT_FALSE(ctl("DevDataLabel", 6).enabled());
  EXPECT_FALSE(ctl("DevDataText", 6).visible());
  EXPECT_FALSE(ctl("DevDataText", 6).getProperty("TabStop").toBool());
  EXPECT_TRUE(ctl("DevDataText", 0).visible());
  EXPECT_FALSE(ctl("DevDataText", 0).getProperty("TabStop").toBool());
  EXPECT_TRUE(ctl("DevDataText", 2).getProperty("TabStop").toBool());
  // Value fields are flagged, the fields the user writes are not.
  for (int32_t i = 0; i <= 12; ++i)
    EXPECT_EQ(hostProperty("DevDataText", i, "FieldFlag").toBool(), i != 1 && i != 7) << i;
  for (int32_t i = 0; i <= 2; ++i)
    EXPECT_FALSE(hostProperty("MeasurementPointText", i, "FieldFlag").toBool()) << i;
}

TEST_F(MainViewTest, ValuesPageShowsTheDiagnosisButtonAndAnOffLampButNoRawStatusFields) {
  open();
  EXPECT_FALSE(ctl("ValueLabel", 0).visible());
  EXPECT_FALSE(ctl("ValueLabel", 0).enabled());
  EXPECT_EQ(ctl("ValueLabel", 0).caption(), "Diagnostics:");
  for (int32_t i : {0, 1}) {
    EXPECT_FALSE(ctl("ValueText", i).visible()) << i;
    EXPECT_FALSE(ctl("ValueText", i).getProperty("TabStop").toBool()) << i;
  }
  for (int32_t i = 0; i <= 5; ++i) EXPECT_TRUE(hostProperty("ValueText", i, "FieldFlag").toBool()) << i;
  EXPECT_TRUE(ctl("DiagnoseCommand").visible());
  EXPECT_EQ(ctl("DiagnoseCommand").caption(), "Diagnostics");
  const Variant state = hostProperty("DiagnoseONOFF", -1, "state");
  EXPECT_EQ(state.type(), platform::com::VarType::Integer);
  EXPECT_EQ(state.toInteger(), 4);
  // Label flags on the sensor and value rows only.
  for (int32_t i = 0; i <= 7; ++i)
    EXPECT_TRUE(hostProperty("ValueLabelTextUnit", i, "LabelFlag").toBool()) << i;
  for (int32_t i = 0; i <= 3; ++i)
    EXPECT_TRUE(hostProperty("SensorLabelTextUnit", i, "LabelFlag").toBool()) << i;
  EXPECT_FALSE(hostProperty("AlarmLabelTextUnit", 0, "LabelFlag").toBool());
}

}  // namespace
}  // namespace mainview_test
