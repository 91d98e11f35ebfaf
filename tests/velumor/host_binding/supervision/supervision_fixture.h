#pragma once
// A supervision view attached to the scripted fake host, on the manual clock, with helpers
// to send notifications and to read back what the view wrote.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/loader.h"
#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/services.h"
#include "tests/support/fake_host.h"
#include "tests/support/kit_access.h"
#include "tolvar/sim/applet_utility.h"
#include "velumor/host_binding/supervision/bit_field_utility.h"
#include "velumor/host_binding/supervision/supervision.h"
#include "velumor/host_binding/velumor_always_view.h"
#include "velumor/shared/windows/message_form.h"

namespace suptest {

using platform::com::ByteArray;
using platform::com::makeObject;
using platform::com::Ptr;
using platform::com::Variant;

inline platform::ui::EventLoop& loop() {
  return platform::ui::EventLoop::instance();
}
inline platform::ui::HeadlessServices& headless() {
  return platform::ui::Services::headless();
}

inline ByteArray octets(int32_t lowerBound, std::vector<uint8_t> data) {
  return ByteArray{lowerBound, std::move(data)};
}

// A message box whose answer the test computes, looking at the view at that moment.
class HookedMessageBox : public platform::ui::MessageBoxService {
 public:
  std::function<int32_t(const std::string& text)> answer;
  std::vector<std::string> texts;
  int32_t show(const std::string& text, int32_t style, const std::string& title) override {
    texts.push_back(text);
    return answer(text);
  }
};

// The fake host, with display texts for items whose value is not a text.
class SupHost : public fakehost::FakeItemManager {
 public:
  std::map<std::string, std::string, platform::ui::NoCaseLess> valueTexts;
  void GetValueText(int32_t handle, std::string& sText, bool bFlag, int32_t& status) override {
    for (const auto& r : registrations) {
      auto it = valueTexts.find(r.name);
      if (r.handle == handle && it != valueTexts.end()) {
        sText = it->second;
        status = 0;
        return;
      }
    }
    FakeItemManager::GetValueText(handle, sText, bFlag, status);
  }
};

class SupervisionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loop().useManualClock();
    loop().drainPosted();
    loop().clearErrors();
    platform::ui::Services::installHeadless();
    headless().reset();
    // The host serves its applet utility by ProgID, as the simulated host does.
    velumor::host_binding::resetSharedAppletUtility();
    classes.registerBuiltin(tolvar::kAppletUtilityProgId, [this] {
      ++utilitiesMade;
      return makeUtility ? makeUtility()
                         : Ptr<platform::com::Unknown>(makeObject<tolvar::sim::SimAppletUtility>());
    });
    platform::com::setProcessLoader(&classes);
    host->dd->properties = {{"DevDescLong", "RQ4400 Coriolis"}, {"Nickname", "RQ44"}};
    host->dd->objects["record"] = {"REC_FIRST", "REC_SECOND", "REC_THIRD"};
    host->dd->objects["sequence"] = {"SEQ_UPLOAD", "SEQ_DOWNLOAD"};
    setEngineeringContextOfDescription(0);
    // The frame has both database operations; called with an argument they say so.
    for (const char* op : {"OpenFromDatabase", "SaveAsToDatabase"})
      host->frame->byName.add(op, [](std::span<Variant> args) -> Variant {
        if (!args.empty()) platform::com::raise(platform::com::err::WrongArgumentCount);
        return Variant();
      });
  }

  void TearDown() override {
    platform::ui::Services::installHeadless();
    host->log().onCall = nullptr;
    if (view) view->Destroy();
    view = nullptr;
    loop().advance(velumor::shared::windows::MessageForm::kLifeMs + 10);  // the message windows close
    velumor::host_binding::resetSharedAppletUtility();
    platform::com::setProcessLoader(nullptr);
    loop().clearErrors();
  }

  void setEngineeringContextOfDescription(int32_t value) {
    host->dd->handles[{"object", "&&private_FDT&&EngineeringContext"}] = 900;
    host->dd->info2[900] = {Variant(value), Variant(int32_t{4}), Variant(int32_t{0}),
                            Variant(0.0),   Variant(0.0),        Variant(int32_t{-1})};
  }

  // Hands the view the host and runs the registration tick.
  void attach() {
    ASSERT_EQ(view->SetAppletItemManagRef(kViewHandle, host), 0);
    loop().advance(1);
  }

  int32_t h(std::string_view item) const { return host->handleOf(item); }
  velumor::host_binding::Supervision& sup() const {
    return velumor::view_window::TestAccess<velumor::host_binding::VelumorAlwaysView>::supervision(*view);
  }
  velumor::host_binding::VelumorAlwaysViewForm& form() const { return *view->form(); }

  // The host changes an item the view registered with tag 0, and the view works it off.
  void change(std::string_view item, Variant value, int32_t lState = 0) {
    ASSERT_TRUE(host->setItem(item, std::move(value))) << item;
    view->NotifyChanged(h(item), false, lState, 0);
    loop().advance(1);
  }
  // A notification carrying the registration's tag.
  void notifyTagged(std::string_view item, int32_t lState = 0) {
    auto reg = host->registration(item);
    ASSERT_TRUE(reg.has_value()) << item;
    view->NotifyChanged(reg->handle, false, lState, reg->userLong);
    loop().advance(1);
  }

  // Every value written to `item` with SetValue, in order.
  std::vector<double> writes(std::string_view item) const {
    std::vector<double> out;
    const int32_t handle = h(item);
    for (const auto& c : host->log().of("SetValue"))
      if (c.args[0].toLong() == handle) out.push_back(c.args[1].toDouble());
    return out;
  }
  // The current value of an item; NaN when it has none.
  double value(std::string_view item) const {
    auto it = host->values.find(h(item));
    return it == host->values.end() ? std::nan("") : it->second.toDouble();
  }
  std::vector<double> menuValues() const {
    std::vector<double> out;
    for (const char* item : velumor::host_binding::supervision::kMenuStateItems) out.push_back(value(item));
    return out;
  }
  int count(std::string_view op) const { return host->log().count(op); }

  platform::ui::ListBoxControl& log() const { return form().ctlAs<platform::ui::ListBoxControl>("List1"); }
  std::string caption(std::string_view control) const { return form().ctl(control).caption(); }

  static constexpr int32_t kViewHandle = 7;
  // The host's classes; a test may hand out its own utility.
  platform::com::ServerLoader classes{"/nonexistent/velumor-test-registry.json"};
  std::function<Ptr<platform::com::Unknown>()> makeUtility;
  int utilitiesMade = 0;
  Ptr<SupHost> host = makeObject<SupHost>();
  Ptr<velumor::host_binding::VelumorAlwaysView> view = makeObject<velumor::host_binding::VelumorAlwaysView>();
};

}  // namespace suptest
