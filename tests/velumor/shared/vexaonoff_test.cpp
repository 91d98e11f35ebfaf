#include "velumor/shared/vexaonoff.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/error.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "velumor/shared/component.h"

using platform::com::Variant;
using velumor::shared::PropertyBag;
using velumor::shared::VexaOnOff;

namespace {

std::string shown(const VexaOnOff& lamp) {
  return lamp.picture().source;
}

TEST(VexaOnOff, NewLampIsRedWithStateZero) {
  auto lamp = platform::com::makeObject<VexaOnOff>();
  EXPECT_EQ(lamp->state().toLong(), 0);
  EXPECT_EQ(shown(*lamp), "bitmap:101");
  EXPECT_FALSE(lamp->picture().empty());
  EXPECT_EQ(lamp->picture(), velumor::shared::loadBitmap(101));
  EXPECT_EQ(lamp->stateChangeMarks(), 0);
}

TEST(VexaOnOff, EachStateShowsItsLamp) {
  auto lamp = platform::com::makeObject<VexaOnOff>();
  for (int32_t state : {2, 3, 4, 1}) {
    lamp->setState(Variant(state));
    EXPECT_EQ(lamp->picture(), velumor::shared::loadBitmap(100 + state)) << state;
  }
}

TEST(VexaOnOff, StateWithoutPictureKeepsTheLampButIsKept) {
  auto lamp = platform::com::makeObject<VexaOnOff>();
  lamp->setState(Variant(int16_t{3}));
  lamp->setState(Variant(int16_t{0}));
  EXPECT_EQ(shown(*lamp), "bitmap:103");
  EXPECT_EQ(lamp->state().type(), platform::com::VarType::Integer);
  EXPECT_EQ(lamp->state().toLong(), 0);

  for (const Variant& odd : {Variant(int32_t{5}), Variant(int32_t{-1}), Variant(int32_t{100}), Variant("abc"),
                             Variant::null(), Variant(), Variant(1e12)}) {
    EXPECT_NO_THROW(lamp->setState(odd)) << odd.debugString();
    EXPECT_EQ(shown(*lamp), "bitmap:103") << odd.debugString();
    EXPECT_TRUE(lamp->state().identical(odd)) << odd.debugString();
  }
}

TEST(VexaOnOff, NumericTextSelectsItsLamp) {
  auto lamp = platform::com::makeObject<VexaOnOff>();
  lamp->setState(Variant("2"));
  EXPECT_EQ(shown(*lamp), "bitmap:102");
  EXPECT_EQ(lamp->state().toString(), "2");
}

TEST(VexaOnOff, EveryAssignmentMarksStateChanged) {
  auto lamp = platform::com::makeObject<VexaOnOff>();
  lamp->setState(Variant(int16_t{2}));
  lamp->setState(Variant(int16_t{2}));
  EXPECT_EQ(lamp->stateChangeMarks(), 2);
  EXPECT_EQ(shown(*lamp), "bitmap:102");
  lamp->setState(Variant(int16_t{0}));  // no picture, still a change of the property
  EXPECT_EQ(lamp->stateChangeMarks(), 3);
}

TEST(VexaOnOff, StoredStateDoesNotChangeTheDesignPicture) {
  auto lamp = platform::com::makeObject<VexaOnOff>();
  lamp->readProperties(PropertyBag{{"State", Variant(int16_t{3})}});
  EXPECT_EQ(lamp->state().toLong(), 3);
  EXPECT_EQ(shown(*lamp), "bitmap:101");
  EXPECT_EQ(lamp->stateChangeMarks(), 0);

  lamp->readProperties(PropertyBag{});
  EXPECT_EQ(lamp->state().toLong(), 0);
  EXPECT_EQ(shown(*lamp), "bitmap:101");

  // Only an assignment by the container changes it.
  lamp->setState(Variant(int16_t{2}));
  EXPECT_EQ(shown(*lamp), "bitmap:102");
}

TEST(VexaOnOff, WritesStateUnlessItIsTheDefault) {
  auto lamp = platform::com::makeObject<VexaOnOff>();
  PropertyBag bag{{"State", Variant(int16_t{4})}, {"Other", Variant("kept")}};
  lamp->writeProperties(bag);
  EXPECT_EQ(bag.count("State"), 0u);
  EXPECT_EQ(bag.at("Other").toString(), "kept");

  lamp->setState(Variant(int16_t{4}));
  lamp->writeProperties(bag);
  EXPECT_EQ(bag.at("State").toLong(), 4);

  // What was written reads back.
  auto copy = platform::com::makeObject<VexaOnOff>();
  copy->readProperties(bag);
  EXPECT_EQ(copy->state().toLong(), 4);
}

TEST(VexaOnOff, StateByNameAndByNumber) {
  auto lamp = platform::com::makeObject<VexaOnOff>();
  EXPECT_EQ(lamp->idOfName("state"), VexaOnOff::kDispIdState);
  EXPECT_EQ(lamp->idOfName("State"), VexaOnOff::kDispIdState);

  lamp->put(VexaOnOff::kDispIdState, Variant(int16_t{3}));
  EXPECT_EQ(lamp->get(VexaOnOff::kDispIdState).toLong(), 3);
  EXPECT_EQ(shown(*lamp), "bitmap:103");

  lamp->setPropertyByName("state", Variant(int16_t{4}));
  EXPECT_EQ(lamp->propertyByName("state", {}).toLong(), 4);
  EXPECT_EQ(shown(*lamp), "bitmap:104");

  try {
    lamp->idOfName("Value");
    FAIL() << "no error";
  } catch (const platform::com::RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::com::err::NoSuchMember);
  }
}

TEST(VexaOnOff, SnapshotShowsStateAndPicture) {
  auto lamp = platform::com::makeObject<VexaOnOff>();
  lamp->setState(Variant(int16_t{2}));
  const auto snap = lamp->snapshot();
  ASSERT_EQ(snap.size(), 2u);
  EXPECT_EQ(snap[0].first, "state");
  EXPECT_EQ(snap[0].second.toLong(), 2);
  EXPECT_EQ(snap[1].first, "Picture");
  EXPECT_EQ(snap[1].second.toString(), "bitmap:102");
  EXPECT_EQ(lamp->kind(), "VEXAONOFF");
}

TEST(VexaOnOff, LivesCountForTheComponent) {
  const int64_t before = velumor::shared::componentLiveCount().value();
  {
    auto lamp = platform::com::makeObject<VexaOnOff>();
    EXPECT_EQ(velumor::shared::componentLiveCount().value(), before + 1);
  }
  EXPECT_EQ(velumor::shared::componentLiveCount().value(), before);
}

// The lamp as a window design places it.
const char* kLampDesign = R"({
  "form": {"name": "LampForm", "props": {"Caption": "Lamps", "ClientWidth": 3000, "ClientHeight": 2000}},
  "controls": [
    {"name": "DiagONOFF", "index": 0, "type": "VEXAONOFF", "progId": "Velumor.VEXAONOFF", "container": "",
     "props": {"Left": 120, "Top": 120, "Width": 240, "Height": 240}},
    {"name": "DiagONOFF", "index": 1, "type": "VEXAONOFF", "progId": "Velumor.VEXAONOFF", "container": "",
     "props": {"Left": 120, "Top": 480, "Width": 240, "Height": 240}}
  ]
})";

class LampOnForm : public ::testing::Test {
 protected:
  void SetUp() override { velumor::shared::registerVexaOnOff(); }
  void TearDown() override { velumor::shared::unregisterVexaOnOff(); }
};

TEST_F(LampOnForm, DesignPlacesLampsThatTheFormDrives) {
  EXPECT_TRUE(platform::ui::UserControlRegistry::instance().has("velumor.vexaonoff"));
  auto form = platform::com::makeObject<platform::ui::Form>("LampForm", kLampDesign,
                                                            &velumor::shared::componentPictures());
  platform::ui::Control& first = form->ctl("DiagONOFF", 0);
  platform::ui::Control& second = form->ctl("DiagONOFF", 1);

  first.setProperty("state", Variant(int16_t{2}));
  EXPECT_EQ(first.evalPath("state").toLong(), 2);
  EXPECT_EQ(second.evalPath("state").toLong(), 0);

  auto& lamp = dynamic_cast<platform::ui::UserControl&>(first);
  EXPECT_EQ(lamp.impl().picture(), velumor::shared::loadBitmap(102));
  EXPECT_EQ(dynamic_cast<platform::ui::UserControl&>(second).impl().picture(),
            velumor::shared::loadBitmap(101));
  // Window-side properties stay with the form's control.
  EXPECT_FLOAT_EQ(first.getProperty("Top").toSingle(), 120.0f);
  form->unload();
}

TEST_F(LampOnForm, UnregisteredLampCannotBeCreated) {
  velumor::shared::unregisterVexaOnOff();
  try {
    platform::ui::UserControlRegistry::instance().create(VexaOnOff::kProgId);
    FAIL() << "no error";
  } catch (const platform::com::RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::com::err::CannotCreateObject);
  }
}

}  // namespace
