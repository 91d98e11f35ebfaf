// The device description object: properties, object walks, look-ups, and the menu by name.
#include "tolvar/sim/device_description.h"

#include <gtest/gtest.h>

#include "platform/com/error.h"
#include "sim_test_support.h"
#include "tolvar/sim/dd/device_data.h"

namespace simtest {
namespace {

using platform::com::RuntimeError;
using tolvar::DeviceDescription;

class DeviceDescriptionTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    int32_t st = -1;
    session->itemManager()->GetDDObject(dd, st);
    ASSERT_EQ(st, 0);
    ASSERT_TRUE(dd);
  }
  // The walk as the supervision view makes it: first, then next until a status ends it.
  std::vector<std::string> walk(const std::string& kind) {
    std::vector<std::string> names;
    int32_t iter = 0, st = 0;
    dd->GetFirstObject(kind, iter, st);
    while (st == 0) {
      std::string name;
      int32_t nst = -1;
      dd->GetObjectName(iter, name, nst);
      EXPECT_EQ(nst, 0);
      names.push_back(name);
      dd->GetNextObject(iter, st);
      if (names.size() > 10000) break;
    }
    EXPECT_EQ(iter, 0) << "a walk past the end leaves no iterator";
    return names;
  }
  Ptr<DeviceDescription> dd;
};

TEST_F(DeviceDescriptionTest, PropertiesByNameWithoutRegardToCase) {
  std::string s;
  int32_t st = -1;
  dd->GetDeviceProperty("DevDescLong", s, st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(s, "RQ4400 Coriolis Mass Flowmeter");
  dd->GetDeviceProperty("NICKNAME", s, st);
  EXPECT_EQ(s, "RQ4400");
  dd->GetDeviceProperty("NoSuchProperty", s, st);
  EXPECT_NE(st, 0);
  EXPECT_EQ(s, "");
}

TEST_F(DeviceDescriptionTest, WalksCoverEachKindOnceInDescriptionOrder) {
  const auto& data = session->deviceData();
  auto records = walk("record");
  ASSERT_EQ(records.size(), data.records.size());
  for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i], data.records[i].name);
  EXPECT_EQ(walk("SEQUENCE").size(), data.sequences.size());
  EXPECT_EQ(walk("Object").size(), data.variables.size());
  EXPECT_EQ(walk("menu").size(), data.menu.size());
  int32_t count = -1, st = -1;
  dd->GetObjectCount("record", count, st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(count, static_cast<int32_t>(data.records.size()));
  dd->GetObjectCount("menu", count, st);
  EXPECT_EQ(count, static_cast<int32_t>(data.menu.size()));
  dd->GetObjectCount("gadget", count, st);
  EXPECT_NE(st, 0);
  int32_t iter = 5;
  dd->GetFirstObject("gadget", iter, st);
  EXPECT_NE(st, 0);
  EXPECT_EQ(iter, 0);
  // Two walks at once do not disturb each other.
  int32_t a = 0, b = 0;
  dd->GetFirstObject("record", a, st);
  dd->GetFirstObject("record", b, st);
  dd->GetNextObject(a, st);
  std::string nameA, nameB;
  dd->GetObjectName(a, nameA, st);
  dd->GetObjectName(b, nameB, st);
  EXPECT_EQ(nameA, data.records[1].name);
  EXPECT_EQ(nameB, data.records[0].name);
  dd->GetObjectName(-4, nameA, st);
  EXPECT_NE(st, 0);
}

TEST_F(DeviceDescriptionTest, AnItemsEnumerationIsFoundThroughItsObject) {
  int32_t obj = 0, en = 0, st = -1;
  dd->FindObject("object", "units_qm", obj, st);
  ASSERT_EQ(st, 0);
  Variant v1, v2, v3, v4, v5, v6;
  dd->GetObjectInfo(obj, v1, v2, v3, v4, v5, v6, st);
  ASSERT_EQ(st, 0);
  EXPECT_EQ(v5.toString(), "MASS_FLOW_UNITS");
  dd->FindObject("enumeration", v5.toString(), en, st);
  ASSERT_EQ(st, 0);
  EXPECT_GE(en, 1);
  std::string name;
  std::vector<tolvar::EnumEntry> entries;
  dd->GetEnumeration(en, name, entries, st);
  ASSERT_EQ(st, 0);
  EXPECT_EQ(name, "MASS_FLOW_UNITS");
  bool found = false;
  for (const auto& e : entries) found = found || (e.value == 75 && e.text == "kg/h");
  EXPECT_TRUE(found);
  dd->FindObject("object", "NO_SUCH_ITEM", obj, st);
  EXPECT_NE(st, 0);
  EXPECT_EQ(obj, 0);
  dd->GetObjectInfo3(123456, v1, v2, v3, v4, v5, v6, st);
  EXPECT_NE(st, 0);
  dd->GetEnumeration(0, name, entries, st);
  EXPECT_NE(st, 0);
  EXPECT_TRUE(entries.empty());
}

TEST_F(DeviceDescriptionTest, TheMenuFunctionsAnswerByNameWithTheirOutsWrittenBack) {
  std::vector<Variant> args{Variant("NickName"), Variant()};
  EXPECT_EQ(dd->invokeByName("fncGetGeneralString", platform::com::InvokeKind::Method, args).toLong(), 0);
  EXPECT_EQ(args[1].toString(), "RQ4400");
  args = {Variant("NoSuchString"), Variant("old")};
  EXPECT_NE(dd->invokeByName("fncGetGeneralString", platform::com::InvokeKind::Method, args).toLong(), 0);
  EXPECT_EQ(args[1].toString(), "");
}

TEST_F(DeviceDescriptionTest, TheDeviceMenuWalksEntryByEntry) {
  const auto& menu = session->deviceData().menu;
  std::vector<Variant> args{Variant("menu"), Variant()};
  ASSERT_EQ(dd->invokeByName("fncNumberOfEntries", platform::com::InvokeKind::Method, args).toLong(), 0);
  ASSERT_EQ(args[1].toLong(), static_cast<int32_t>(menu.size()));
  std::vector<Variant> first{Variant("menu"), Variant()};
  ASSERT_EQ(dd->invokeByName("fncGetFirstEntryHandle", platform::com::InvokeKind::Method, first).toLong(), 0);
  Variant handle = first[1];
  for (size_t i = 0; i < menu.size(); ++i) {
    std::vector<Variant> data{handle, Variant(), Variant(), Variant(), Variant(), Variant()};
    EXPECT_EQ(dd->invokeByName("fncGetMenuData", platform::com::InvokeKind::Method, data).toLong(), 0);
    EXPECT_EQ(data[1].toString(), menu[i].state);
    EXPECT_EQ(data[2].toString(), menu[i].caption);
    EXPECT_EQ(data[3].toString(), menu[i].hint);
    EXPECT_EQ(data[4].toString(), menu[i].command);
    EXPECT_EQ(data[5].toLong(), menu[i].number);
    std::vector<Variant> next{handle};
    const int32_t r =
        dd->invokeByName("fncGetNextEntryHandle", platform::com::InvokeKind::Method, next).toLong();
    EXPECT_EQ(r == 0, i + 1 < menu.size()) << "the last entry has no next";
    handle = next[0];
  }
  EXPECT_EQ(handle.toLong(), 0);
  std::vector<Variant> past{Variant(int32_t{0}), Variant(), Variant(), Variant(), Variant(), Variant()};
  EXPECT_NE(dd->invokeByName("fncGetMenuData", platform::com::InvokeKind::Method, past).toLong(), 0);
  EXPECT_EQ(past[2].toString(), "");
  std::vector<Variant> other{Variant("favourites"), Variant()};
  EXPECT_NE(dd->invokeByName("fncNumberOfEntries", platform::com::InvokeKind::Method, other).toLong(), 0);
}

TEST_F(DeviceDescriptionTest, WrongArgumentCountsAndUnknownMembersRaise) {
  try {
    dd->call("fncNumberOfEntries", {Variant("menu")});
    FAIL() << "one argument too few";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::com::err::WrongArgumentCount);
  }
  try {
    dd->call("fncNoSuchFunction", {});
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::com::err::NoSuchMember);
  }
}

}  // namespace
}  // namespace simtest
