#include "tolvar/controls/generic_view.h"

#include <gtest/gtest.h>

#include "platform/ui/event_loop.h"
#include "test_support.h"
#include "tests/support/fake_host.h"

using fakehost::deliver;
using platform::com::Ptr;
using platform::com::Variant;
using platform::ui::ListBoxControl;
using tolvar::controls::GenericView;
using tolvar::controls::GenericViewForm;

namespace {

class GenericViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ui::EventLoop::instance().clearErrors();
    host = fakehost::makeHost();
    host.fake->number("PRIMARY_VALUE", 12.5);
    host.fake->items["PRIMARY_VALUE"].unitItem = "PRIMARY_UNITS";
    host.fake->items["PRIMARY_VALUE"].label = "Mass flow";
    host.fake->enumerated("PRIMARY_UNITS", 73, {{73, "kg/h"}, {75, "t/h"}});
    host.fake->text("TAG", "FT-101");
    host.fake->number("SERIAL", 4711).readOnly = true;
    names = {"PRIMARY_VALUE", "TAG", "SERIAL"};
    view = tolvar::controls::createGenericView([this] { return names; });
  }
  void TearDown() override {
    if (view) {
      EXPECT_EQ(view->Destroy(), 0);
    }
    view = nullptr;
    deliver();
    EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
  }

  GenericViewForm& window() { return *dynamic_cast<GenericView&>(*view).form(); }
  ListBoxControl& list() { return window().ctlAs<ListBoxControl>("ItemList"); }
  std::vector<std::string> rows() { return list().items(); }
  void open() {
    ASSERT_EQ(view->SetAppletItemManagRef(7, host.aim), 0);
    ASSERT_EQ(view->Show(), 0);
  }
  void select(const std::string& name) {
    for (int32_t i = 0; i < list().listCount(); ++i)
      if (list().list(i).starts_with(name + "\t")) return list().setListIndex(i);
    FAIL() << name << " is not listed";
  }
  void click(const char* control) { ASSERT_TRUE(window().userClick(window().ctl(control))); }

  fakehost::Host host;
  std::vector<std::string> names;
  Ptr<tolvar::View> view;
};

TEST_F(GenericViewTest, ListsEveryItemWithValueAndUnit) {
  open();
  EXPECT_TRUE(window().visible());
  EXPECT_EQ(rows(),
            (std::vector<std::string>{"PRIMARY_VALUE\t12.5\tkg/h", "TAG\tFT-101\t", "SERIAL\t4711\t"}));
  EXPECT_EQ(view->NotifyChanged(1, false, 0, 0), 0);
}

TEST_F(GenericViewTest, RowsFollowTheItemsTwiceASecond) {
  open();
  host.fake->set("PRIMARY_VALUE", 13);
  host.fake->set("PRIMARY_UNITS", 75);
  auto& loop = platform::ui::EventLoop::instance();
  loop.advance(499);
  EXPECT_EQ(rows()[0], "PRIMARY_VALUE\t12.5\tkg/h");
  loop.advance(1);
  EXPECT_EQ(rows()[0], "PRIMARY_VALUE\t13\tt/h");

  // A refresh leaves the selection and what the user is typing alone.
  select("TAG");
  window().ctl("ValueText").setText("FT-2");
  host.fake->setText("TAG", "FT-102");
  loop.advance(500);
  EXPECT_EQ(rows()[1], "TAG\tFT-102\t");
  EXPECT_EQ(window().selectedItem(), "TAG");
  EXPECT_EQ(window().ctl("ValueText").text(), "FT-2");

  // The listed items change: the selection moves with its item.
  names = {"SERIAL", "TAG"};
  loop.advance(500);
  EXPECT_EQ(rows(), (std::vector<std::string>{"SERIAL\t4711\t", "TAG\tFT-102\t"}));
  EXPECT_EQ(window().selectedItem(), "TAG");
  names = {"SERIAL"};
  loop.advance(500);
  EXPECT_EQ(window().selectedItem(), "");
  EXPECT_EQ(window().ctl("NameLabel").caption(), "");
  EXPECT_FALSE(window().ctl("ApplyButton").enabled());
}

TEST_F(GenericViewTest, ApplyWritesTheSelectedItemOrShowsWhyNot) {
  open();
  select("PRIMARY_VALUE");
  EXPECT_EQ(window().ctl("NameLabel").caption(), "PRIMARY_VALUE - Mass flow");
  EXPECT_EQ(window().ctl("ValueText").text(), "12.5");
  EXPECT_TRUE(window().ctl("ApplyButton").enabled());

  window().ctl("ValueText").setText("fast");
  click("ApplyButton");
  EXPECT_EQ(window().ctl("ErrorLabel").caption(), "Not a number");
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_VALUE"), 12.5);
  EXPECT_EQ(window().ctl("ValueText").text(), "fast");  // kept for correcting

  window().ctl("ValueText").setText("20");
  click("ApplyButton");
  EXPECT_EQ(window().ctl("ErrorLabel").caption(), "");
  EXPECT_EQ(host.fake->itemNumber("PRIMARY_VALUE"), 20);
  EXPECT_EQ(rows()[0], "PRIMARY_VALUE\t20\tkg/h");  // at once, not at the next tick

  select("SERIAL");
  EXPECT_FALSE(window().ctl("ApplyButton").enabled());
  EXPECT_TRUE(window().ctl("ValueText").getProperty("Locked").toBool());
  EXPECT_EQ(window().ctl("ErrorLabel").caption(), "");
}

TEST_F(GenericViewTest, HideStopsRefreshingAndShowComesBack) {
  open();
  ASSERT_EQ(view->Hide(), 0);
  EXPECT_FALSE(window().visible());
  EXPECT_FALSE(window().timer("RefreshTimer").isEnabled());
  host.fake->set("PRIMARY_VALUE", 1);
  platform::ui::EventLoop::instance().advance(1000);
  EXPECT_EQ(rows()[0], "PRIMARY_VALUE\t12.5\tkg/h");
  ASSERT_EQ(view->Show(), 0);
  EXPECT_EQ(rows()[0], "PRIMARY_VALUE\t1\tkg/h");
}

TEST_F(GenericViewTest, ClosingTheWindowTellsTheHostAndDestroyDoesNot) {
  open();
  Ptr<GenericViewForm> closed(&window());
  ASSERT_TRUE(window().userClose());
  EXPECT_TRUE(host.fake->releasedViews.empty());  // not from inside the unload
  deliver();
  EXPECT_EQ(host.fake->releasedViews.size(), 1u);
  EXPECT_FALSE(closed->isLoaded());

  // Shown again, the view opens a new window.
  ASSERT_EQ(view->Show(), 0);
  EXPECT_NE(&window(), closed.get());
  EXPECT_EQ(rows().size(), 3u);
  ASSERT_EQ(view->Destroy(), 0);
  deliver();
  EXPECT_EQ(host.fake->releasedViews.size(), 1u);
  EXPECT_EQ(dynamic_cast<GenericView&>(*view).form(), nullptr);
}

TEST_F(GenericViewTest, AnItemManagerWithoutItemAccessIsAFailureNotACrash) {
  Ptr<tolvar::AppletItemManager> bare(new fakehost::FakeItemManager);
  EXPECT_NE(view->SetAppletItemManagRef(7, bare), 0);
  EXPECT_FALSE(platform::ui::EventLoop::instance().errors().empty());
  platform::ui::EventLoop::instance().clearErrors();
  // Without a host the view still opens and lists the names.
  ASSERT_EQ(view->Show(), 0);
  EXPECT_EQ(rows()[1], "TAG\t\t");
  select("TAG");
  EXPECT_FALSE(window().ctl("ApplyButton").enabled());
  EXPECT_FALSE(window().userClick(window().ctl("ApplyButton")));
}

}  // namespace
