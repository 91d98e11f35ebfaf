#include "platform/ui/design.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/com/error.h"
#include "test_forms.h"

using namespace platform::ui;
using platform::com::makeObject;
using platform::com::RuntimeError;

namespace {
std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return std::to_string(e.number()) + " " + e.what();
  }
  return "no error";
}
}  // namespace

TEST(SharedDesign, WindowsOfOneDesignShareItsParse) {
  auto a = makeObject<SampleForm>();
  auto b = makeObject<SampleForm>();
  a->ensureLoaded();
  b->ensureLoaded();
  ASSERT_NE(a->design(), nullptr);
  EXPECT_EQ(a->design(), b->design());
  // Each window still has controls of its own.
  b->ctl("Row", 0).setCaption("b's");
  EXPECT_EQ(a->ctl("Row", 0).caption(), "row 0");
  // A window unloaded and loaded again builds from the same parse.
  const Design* before = a->design();
  a->unload();
  a->load();
  EXPECT_EQ(a->design(), before);
}

TEST(SharedDesign, AnEditedDesignIsParsedAgain) {
  std::string text = R"({"form": {"name": "F", "props": {"Caption": "one"}}, "controls": []})";
  auto first = sharedDesign(text);
  EXPECT_EQ(sharedDesign(text), first);
  std::string edited = text;
  edited.replace(edited.find("one"), 3, "two");
  auto second = sharedDesign(edited);
  EXPECT_NE(second, first);
  ASSERT_EQ(second->formProps.size(), 1u);
  EXPECT_EQ(second->formProps[0].second.toString(), "two");
  EXPECT_EQ(first->formProps[0].second.toString(), "one");
}

TEST(SharedDesign, ABrokenDesignFailsTheSameWayEveryTime) {
  const std::string broken = R"({"controls": [{"name": "X"}]})";
  std::string first = errorOf([&] { sharedDesign(broken); });
  EXPECT_NE(first, "no error");
  EXPECT_NE(first.find("X: no type"), std::string::npos);
  EXPECT_EQ(errorOf([&] { sharedDesign(broken); }), first);
  // A window of it fails to load each time, and a good design still loads after it.
  class Broken : public Form {
   public:
    explicit Broken(const std::string& d) : Form("Broken", d) {}
  };
  auto w = makeObject<Broken>(broken);
  std::string load1 = errorOf([&] { w->ensureLoaded(); });
  EXPECT_EQ(load1, first);
  EXPECT_EQ(errorOf([&] { w->ensureLoaded(); }), first);
  EXPECT_FALSE(w->isLoaded());
  EXPECT_EQ(w->design(), nullptr);
  auto good = makeObject<SampleForm>();
  EXPECT_EQ(errorOf([&] { good->ensureLoaded(); }), "no error");
}
