#include "velumor/view_window/kept_control.h"

#include <gtest/gtest.h>

#include <functional>
#include <typeinfo>

#include "platform/com/error.h"
#include "platform/ui/controls.h"

namespace {

using platform::com::makeObject;
using platform::com::Variant;
using velumor::view_window::KeptControl;

const char* kDesign = R"({
  "form": {"name": "KeptForm", "props": {"Caption": "Kept", "ClientWidth": 3000, "ClientHeight": 2000}},
  "controls": [
    {"name": "NotifyTimer", "type": "Timer", "container": "", "props": {"Interval": 1, "Enabled": false}},
    {"name": "Note", "type": "Label", "container": "", "props": {"Caption": "design"}}
  ]
})";

class KeptForm : public platform::ui::Form {
 public:
  KeptForm() : Form("KeptForm", kDesign) {}
  int loads = 0;

 protected:
  void Form_Load() override { ++loads; }
};

int errorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const platform::com::RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST(KeptControlTest, FollowsTheWindowThroughLoadUnloadAndLoadAgain) {
  auto form = makeObject<KeptForm>();
  KeptControl<platform::ui::Control> note{"Note"};
  // find never loads; get loads as a control access does.
  EXPECT_EQ(note.find(*form), nullptr);
  EXPECT_EQ(form->loads, 0);
  note.get(*form).setCaption("changed");
  EXPECT_EQ(form->loads, 1);
  EXPECT_EQ(note.find(*form), &form->ctl("Note"));
  EXPECT_EQ(note.get(*form).caption(), "changed");

  // Unloaded: no stale control comes back, and get raises as the window does.
  form->unload();
  EXPECT_EQ(note.find(*form), nullptr);
  EXPECT_EQ(errorNumber([&] { note.get(*form); }), platform::com::err::ObjectUnloaded);

  // Loaded again: the new control, with its design caption.
  form->load();
  EXPECT_EQ(form->loads, 2);
  EXPECT_EQ(note.get(*form).caption(), "design");
  EXPECT_EQ(&note.get(*form), &form->ctl("Note"));
  form->unload();
}

TEST(KeptControlTest, MissingOrOtherKindIsNeverKept) {
  auto form = makeObject<KeptForm>();
  KeptControl<platform::ui::TimerControl> wrongKind{"Note"};
  KeptControl<platform::ui::Control> missing{"Absent"};
  KeptControl<platform::ui::TimerControl> timer{"notifytimer"};  // names are case-insensitive
  form->ctl("Note");
  EXPECT_EQ(wrongKind.find(*form), nullptr);
  EXPECT_THROW(wrongKind.get(*form), std::bad_cast);
  EXPECT_EQ(missing.find(*form), nullptr);
  EXPECT_NE(errorNumber([&] { missing.get(*form); }), 0);
  ASSERT_NE(timer.find(*form), nullptr);
  timer.get(*form).setEnabled(true);
  EXPECT_TRUE(form->timer("NotifyTimer").isEnabled());
  form->unload();
}

}  // namespace
