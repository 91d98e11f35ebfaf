// The item manager as views see it: names, handles, notifications and their timing, statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "sim_test_support.h"
#include "tolvar/sim/item_manager.h"
#include "tolvar/sim/item_values.h"

namespace simtest {
namespace {

using platform::com::ByteArray;
using tolvar::kStatusBadHandle;
using tolvar::kStatusNoSuchItem;
using tolvar::kStatusReadOnly;
using tolvar::sim::kStatusOutOfRange;

class ItemContract : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    view = &openRecordingView();
    aim = view->itemManager;
    ASSERT_TRUE(aim);
  }
  RecordingView* view = nullptr;
  Ptr<AppletItemManager> aim;
};

TEST_F(ItemContract, NamesMatchWithoutRegardToCaseAndShareOneItem) {
  const int32_t lower = view->registerItem("&&private&&connect");
  const int32_t upper = view->registerItem("&&PRIVATE&&Connect");
  ASSERT_NE(lower, 0);
  ASSERT_NE(upper, 0);
  EXPECT_NE(lower, upper) << "every registration gets its own handle";
  drain();
  view->notes.clear();
  set("&&Private&&CONNECT", Variant(2.0));
  drain();
  EXPECT_EQ(view->notesFor(lower).size(), 1u);
  EXPECT_EQ(view->notesFor(upper).size(), 1u);
  int32_t st = -1;
  double v = 0;
  aim->GetValue(upper, v, st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(v, 2.0);
}

TEST_F(ItemContract, RegistrationSendsTheCurrentValueOnceAfterTheCallReturns) {
  int32_t h = 0;
  view->ownCall([&] {
    h = view->registerItem("DAMPING_VALUE", 0x12000005);
    EXPECT_TRUE(view->notes.empty()) << "no notification inside RegisterItem";
  });
  ASSERT_NE(h, 0);
  drain();
  auto n = view->notesFor(h);
  ASSERT_EQ(n.size(), 1u);
  EXPECT_EQ(n[0].userLong, 0x12000005);
  EXPECT_FALSE(n[0].shadow);
  EXPECT_DOUBLE_EQ(n[0].value, 1.0);
  drain();
  EXPECT_EQ(view->notesFor(h).size(), 1u) << "only once";
}

TEST_F(ItemContract, OnlyARealChangeNotifiesAndNeverInsideTheWritersOwnCall) {
  const int32_t h = view->registerItem("DAMPING_VALUE");
  drain();
  view->notes.clear();
  int32_t st = -1;
  view->ownCall([&] {
    aim->SetValue(h, 2.5, st);
    EXPECT_TRUE(view->notes.empty());
  });
  EXPECT_EQ(st, 0);
  drain();
  ASSERT_EQ(view->notesFor(h).size(), 1u);
  EXPECT_FALSE(view->notes[0].duringOwnCall);
  EXPECT_DOUBLE_EQ(view->notes[0].value, 2.5);

  view->notes.clear();
  aim->SetValue(h, 2.5, st);  // the value it already holds
  set("DAMPING_VALUE", Variant(2.5));
  drain();
  EXPECT_TRUE(view->notes.empty());
}

TEST_F(ItemContract, HostWritesKeepNumbersAsGiven) {
  const int32_t h = view->registerItem("UNITS_QM");
  set("UNITS_QM", Variant(75.25));  // outside the enumeration, not rounded
  int32_t st = -1;
  double v = 0;
  aim->GetValue(h, v, st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(v, 75.25);
  auto held = session->itemValue("units_qm");
  ASSERT_TRUE(held);
  EXPECT_EQ(held->type(), platform::com::VarType::Double);
}

TEST_F(ItemContract, UnknownNamesAndBadHandlesGiveStatusesNotCrashes) {
  int32_t h = 77, st = 0;
  aim->RegisterItem("NO_SUCH_ITEM", false, view->viewHandle, h, 0, 0, st);
  EXPECT_EQ(st, kStatusNoSuchItem);
  EXPECT_EQ(h, 0);
  for (int32_t bad : {0, -1, 999999}) {
    double d = 1;
    aim->GetValue(bad, d, st);
    EXPECT_EQ(st, kStatusBadHandle);
    int32_t l = 1;
    aim->GetLongValue(bad, l, st);
    EXPECT_NE(st, 0);
    ByteArray a;
    aim->GetArrayValue(bad, a, false, st);
    EXPECT_NE(st, 0);
    std::string s;
    aim->GetString(bad, s, false, st);
    EXPECT_NE(st, 0);
    aim->SetValue(bad, 1.0, st);
    EXPECT_NE(st, 0);
    aim->SetString(bad, "x", st);
    EXPECT_NE(st, 0);
    aim->UnadviseItem(Variant(view->viewHandle), bad, false, st);
    EXPECT_NE(st, 0);
  }
  Variant v;
  aim->GetNamedValue("NO_SUCH_ITEM", v, st);
  EXPECT_EQ(st, kStatusNoSuchItem);
  drain();
  EXPECT_TRUE(view->notes.empty());
}

TEST_F(ItemContract, UnadviseStopsNotificationsButTheHandleStillReadsAndWrites) {
  const int32_t h = view->registerItem("RecordName");
  int32_t st = -1;
  aim->UnadviseItem(Variant(view->viewHandle), h, false, st);
  EXPECT_EQ(st, 0);
  drain();
  EXPECT_TRUE(view->notesFor(h).empty()) << "the first value was still pending and is dropped";
  aim->SetString(h, "HART_COMMAND_000_READ", st);
  EXPECT_EQ(st, 0);
  std::string s;
  aim->GetString(h, s, false, st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(s, "HART_COMMAND_000_READ");
  drain();
  EXPECT_TRUE(view->notes.empty());

  aim->UnadviseItem(Variant(view->viewHandle), h, false, st);
  EXPECT_EQ(st, kStatusBadHandle) << "twice";
  const int32_t other = view->registerItem("RecordState");
  aim->UnadviseItem(Variant(view->viewHandle + 100), other, false, st);
  EXPECT_EQ(st, kStatusBadHandle) << "another view's handle";
  aim->UnadviseItem(Variant("not a number"), other, false, st);
  EXPECT_EQ(st, kStatusBadHandle);
}

TEST_F(ItemContract, ShadowRegistrationsFollowTheShadowValue) {
  const int32_t plain = view->registerItem("UploadQuestion");
  const int32_t shadow = view->registerItem("UploadQuestion", 0, true);
  drain();
  view->notes.clear();
  ASSERT_TRUE(session->setItem("UploadQuestion", Variant(0.0), true).ok());
  drain();
  EXPECT_TRUE(view->notesFor(plain).empty());
  auto n = view->notesFor(shadow);
  ASSERT_EQ(n.size(), 1u);
  EXPECT_TRUE(n[0].shadow);
  EXPECT_EQ(n[0].value, 0.0);
  int32_t st;
  double v;
  aim->GetValue(plain, v, st);
  EXPECT_EQ(v, 1.0) << "the value itself is unchanged";
}

TEST_F(ItemContract, ReleaseViewDropsItsRegistrationsAndPendingNotifications) {
  const int32_t h = view->registerItem("DAMPING_VALUE");
  int32_t st = -1;
  aim->ReleaseView(Ptr<View>(view), st);
  EXPECT_EQ(st, 0);
  set("DAMPING_VALUE", Variant(4.0));
  drain();
  EXPECT_TRUE(view->notes.empty());
  double d;
  aim->GetValue(h, d, st);
  EXPECT_EQ(st, kStatusBadHandle);
  EXPECT_TRUE(session->views().empty());
  aim->ReleaseView(Ptr<View>(view), st);
  EXPECT_NE(st, 0) << "a view the host no longer holds";
}

TEST_F(ItemContract, GetArrayValueFillsFromTheCallersLowerBound) {
  const auto set = session->setBytes("ADD_TRANSMITTER_STATE_STATE", ByteArray{0, {0xAA, 0xBB}});
  ASSERT_TRUE(set.ok()) << set.text();
  const int32_t h = view->registerItem("ADD_TRANSMITTER_STATE_STATE");
  int32_t st = -1;
  ByteArray caller{3, {0, 0}};  // octets 3 to 4
  aim->GetArrayValue(h, caller, true, st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(caller.lowerBound, 3);
  EXPECT_EQ(caller.at(3), 0xAA);
  EXPECT_EQ(caller.at(4), 0xBB);

  ByteArray empty;
  aim->GetArrayValue(h, empty, false, st);
  EXPECT_EQ(empty.lowerBound, 3) << "an undimensioned array takes the item's octet numbers";
  EXPECT_EQ(empty.data, (std::vector<uint8_t>{0xAA, 0xBB}));

  ByteArray longer{1, {9, 9, 9, 9}};
  aim->GetArrayValue(h, longer, false, st);
  EXPECT_EQ(longer.data, (std::vector<uint8_t>{0xAA, 0xBB, 9, 9})) << "elements beyond the item stay";

  const int32_t number = view->registerItem("DAMPING_VALUE");
  ByteArray none;
  aim->GetArrayValue(number, none, false, st);
  EXPECT_EQ(st, tolvar::kStatusWrongType);
}

TEST_F(ItemContract, GetLongValueRoundsHalfToEvenAndReportsOverflow) {
  const int32_t h = view->registerItem("DAMPING_VALUE");
  struct Case {
    double in;
    int32_t out;
  } cases[] = {{2.5, 2},
               {3.5, 4},
               {-2.5, -2},
               {2.4999, 2},
               {2147483647.0, 2147483647},
               {-2147483648.4, -2147483647 - 1}};
  for (auto c : cases) {
    set("DAMPING_VALUE", Variant(c.in));
    int32_t l = 0, st = -1;
    aim->GetLongValue(h, l, st);
    EXPECT_EQ(st, 0) << c.in;
    EXPECT_EQ(l, c.out) << c.in;
  }
  for (double bad : {2147483647.5 + 1, -3e10, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
    set("DAMPING_VALUE", Variant(bad));
    int32_t l = 5, st = 0;
    aim->GetLongValue(h, l, st);
    EXPECT_EQ(st, kStatusOutOfRange) << bad;
    EXPECT_EQ(l, 0);
  }
  // An unsigned flag word above the Long range.
  const int32_t ctx = view->registerItem("&&private_FDT&&EngineeringContext");
  set("&&private_FDT&&EngineeringContext", Variant(4294967295.0));
  int32_t l = 0, st = 0;
  aim->GetLongValue(ctx, l, st);
  EXPECT_EQ(st, kStatusOutOfRange);
  double d = 0;
  aim->GetValue(ctx, d, st);
  EXPECT_EQ(d, 4294967295.0) << "GetValue still gives the whole flag word";
}

TEST_F(ItemContract, TextsKeepNulCharactersAndNumbersShowAsText) {
  const int32_t h = view->registerItem("MP_REMARK");
  const std::string withNul("AB\0CD", 5);
  int32_t st = -1;
  aim->SetString(h, withNul, st);
  EXPECT_EQ(st, 0);
  std::string s;
  aim->GetString(h, s, false, st);
  EXPECT_EQ(s, withNul);

  const int32_t units = view->registerItem("UNITS_QM");
  aim->GetValueText(units, s, false, st);
  EXPECT_EQ(s, "kg/h");
  const int32_t pv = view->registerItem("PRIMARY_VALUE");
  set("PRIMARY_VALUE", Variant(12500.04));
  aim->GetValueText(pv, s, false, st);
  EXPECT_EQ(s, "12500.0") << "one decimal, no unit";
  const int32_t menu = view->registerItem("&&Menu_State&&Connect");
  set("&&Menu_State&&Connect", Variant(5.0));
  aim->GetValueText(menu, s, false, st);
  EXPECT_EQ(s, "Visible, Checked");
  aim->SetString(pv, "abc", st);
  EXPECT_EQ(st, kStatusReadOnly);
  const int32_t damping = view->registerItem("DAMPING_VALUE");
  aim->SetString(damping, "abc", st);
  EXPECT_EQ(st, tolvar::kStatusWrongType);
  aim->SetString(damping, " 3.25 ", st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(value("DAMPING_VALUE"), 3.25);
}

TEST_F(ItemContract, PackedTagWrittenAsOctetsReadsBackAsText) {
  const int32_t tag = view->registerItem("TAG");
  const int32_t dirty = view->registerItem("&&private&&Dirty");
  int32_t st = -1;
  // What the supervision view writes for the tag name "FT-101": padded to 8 and packed.
  ByteArray packed{0, tolvar::sim::packAscii("FT-101  ", 8)};
  ASSERT_EQ(packed.data.size(), 6u);
  aim->SetArrayValue(tag, packed, st);
  EXPECT_EQ(st, 0);
  bool isDirty = true;
  aim->GetBoolValue(dirty, isDirty, st);
  EXPECT_FALSE(isDirty) << "the same tag again is no change";
  packed.data = tolvar::sim::packAscii("PT-7", 8);
  aim->SetArrayValue(tag, packed, st);
  std::string s;
  aim->GetString(tag, s, false, st);
  EXPECT_EQ(s, "PT-7");
  ByteArray back;
  aim->GetArrayValue(tag, back, false, st);
  EXPECT_EQ(back.data, packed.data);
  aim->GetBoolValue(dirty, isDirty, st);
  EXPECT_TRUE(isDirty);
}

TEST_F(ItemContract, ViewWritesToDataSetItemsMarkTheDataSetDirty) {
  const int32_t dirty = view->registerItem("&&private&&Dirty");
  const int32_t damping = view->registerItem("DAMPING_VALUE");       // in the data set
  const int32_t menu = view->registerItem("&&Menu_State&&Connect");  // not in it
  const int32_t pv = view->registerItem("PRIMARY_VALUE");            // read-only
  auto isDirty = [&] {
    bool b = false;
    int32_t st = -1;
    aim->GetBoolValue(dirty, b, st);
    EXPECT_EQ(st, 0);
    return b;
  };
  int32_t st = -1;
  aim->SetValue(menu, 1.0, st);
  EXPECT_EQ(st, 0);
  aim->SetValue(damping, 1.0, st);     // the value it holds
  set("DAMPING_VALUE", Variant(7.0));  // the host's own write
  EXPECT_FALSE(isDirty());
  aim->SetValue(pv, 1.0, st);
  EXPECT_EQ(st, kStatusReadOnly);
  EXPECT_NE(value("PRIMARY_VALUE"), 1.0);
  aim->SetSingleValue(damping, 2.0f, st);
  EXPECT_EQ(st, 0);
  EXPECT_TRUE(isDirty());
}

TEST_F(ItemContract, TheHostsControlsWatchItemsAndTheirUnits) {
  tolvar::HostItemAccess* access = session->itemAccess();
  ASSERT_NE(access, nullptr);
  ASSERT_EQ(dynamic_cast<tolvar::HostItemAccess*>(aim.get()), access)
      << "the controls find it on the item manager";
  int calls = 0;
  const int32_t w = access->watchItem("QM_MAXIMUM_VALUE", [&] { ++calls; });
  ASSERT_NE(w, 0);
  EXPECT_EQ(access->watchItem("NO_SUCH_ITEM", [] {}), 0);
  set("QM_MAXIMUM_VALUE", Variant(30000.0));
  EXPECT_EQ(calls, 0) << "delivered after the call";
  drain();
  EXPECT_EQ(calls, 1);
  set("QM_MAXIMUM_UNIT", Variant(78.0));  // its unit item
  drain();
  EXPECT_EQ(calls, 2);
  auto d = access->describeItem("QM_MAXIMUM_VALUE");
  EXPECT_TRUE(d.exists);
  EXPECT_EQ(d.unitItem, "QM_MAXIMUM_UNIT");
  EXPECT_EQ(d.unitText, "t/h");
  access->unwatchItem(w);
  set("QM_MAXIMUM_VALUE", Variant(1.0));
  drain();
  EXPECT_EQ(calls, 2);
}

TEST_F(ItemContract, TheTableViewListsEveryItemOnce) {
  auto names = session->itemAccess()->itemNames();
  ASSERT_FALSE(names.empty());
  std::set<std::string> folded;
  for (auto& n : names) folded.insert(platform::com::toUpperAscii(n));
  EXPECT_EQ(folded.size(), names.size()) << "no item twice";
  EXPECT_TRUE(folded.count("TAG"));
  EXPECT_TRUE(folded.count("&&PRIVATE&&CONNECT"));
}

TEST_F(ItemContract, UserInputIsCheckedBeforeItIsStored) {
  tolvar::HostItemAccess* access = session->itemAccess();
  const tolvar::Status unit = access->setItemFromText("UNITS_QM", "T/H");
  EXPECT_TRUE(unit.ok()) << unit.text();
  EXPECT_EQ(value("UNITS_QM"), 78.0);
  const tolvar::Status noChoice = access->setItemFromText("UNITS_QM", "furlongs");
  EXPECT_EQ(noChoice.reason(), tolvar::Reason::InvalidArgument);
  EXPECT_NE(noChoice.text().find("choices"), std::string::npos) << noChoice.text();
  const tolvar::Status outside = access->setItemFromText("LOW_FLOW_CUTOFF_VALUE", "11");
  EXPECT_FALSE(outside) << "its range is 0 to 10";
  EXPECT_NE(outside.text().find("outside"), std::string::npos) << outside.text();
  EXPECT_EQ(value("LOW_FLOW_CUTOFF_VALUE"), 1.0);
  const tolvar::Status readOnly = access->setItemFromText("PRIMARY_VALUE", "1");
  EXPECT_EQ(readOnly.reason(), tolvar::Reason::Refused);
  EXPECT_NE(readOnly.text().find("cannot be changed"), std::string::npos) << readOnly.text();
  EXPECT_EQ(access->setItemFromText("NO_SUCH_ITEM", "1").reason(), tolvar::Reason::NotFound);
  EXPECT_EQ(access->setItemNumber("PRIMARY_VALUE", 1.0).reason(), tolvar::Reason::Refused);
  EXPECT_EQ(access->setItemNumber("LOW_FLOW_CUTOFF_VALUE", 11.0).reason(), tolvar::Reason::InvalidArgument);
  EXPECT_FALSE(access->setItemFromText("DATE_ALL", "2024-02-30"));
  const tolvar::Status tag = access->setItemFromText("TAG", "ab-1");
  EXPECT_TRUE(tag.ok()) << tag.text();
  EXPECT_EQ(session->itemValue("TAG")->toString(), "AB-1");
  EXPECT_FALSE(access->setItemFromText("TAG", "TOO-LONG-TAG"));
  EXPECT_EQ(access->itemText("UNITS_QM"), "t/h");
  EXPECT_TRUE(std::isnan(access->itemNumber("MP_REMARK")));
  EXPECT_EQ(value("&&private&&Dirty"), -1.0) << "True, written by a user's edit";
}

TEST_F(ItemContract, NotificationsPostedBeforeTheSessionEndsAreDroppedWhenTheNextHasBegun) {
  const int32_t h = view->registerItem("DAMPING_VALUE");  // its first notification is posted
  set("DAMPING_VALUE", Variant(3.0));
  Ptr<View> kept = views.front();
  views.clear();
  aim = nullptr;
  session.reset();
  session = std::make_unique<tolvar::sim::HostSession>(testOptions(dir));
  drain();
  EXPECT_TRUE(view->notesFor(h).empty());
}

TEST_F(ItemContract, ObjectsHandedOutFailCleanlyAfterTheSessionEnds) {
  const int32_t h = view->registerItem("DAMPING_VALUE");
  Ptr<tolvar::HostFrame> frame;
  int32_t st = -1;
  aim->GetFrame(frame, st);
  ASSERT_TRUE(frame);
  Ptr<AppletItemManager> kept = aim;
  views.clear();
  aim = nullptr;
  session.reset();
  drain();
  double d = 0;
  kept->GetValue(h, d, st);
  EXPECT_EQ(st, tolvar::sim::kStatusHostGone);
  int32_t handle = 5;
  kept->RegisterItem("DAMPING_VALUE", false, 1, handle, 0, 0, st);
  EXPECT_EQ(handle, 0);
  EXPECT_EQ(st, tolvar::sim::kStatusHostGone);
  frame->Connect(0, st);
  EXPECT_EQ(st, tolvar::sim::kStatusHostGone);
  session = std::make_unique<tolvar::sim::HostSession>(testOptions(dir));  // for TearDown
}

}  // namespace
}  // namespace simtest
