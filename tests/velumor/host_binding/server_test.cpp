// The component's class table, in process.
#include "velumor/host_binding/server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/error.h"
#include "platform/ui/form.h"
#include "tests/velumor/host_binding/test_support.h"
#include "velumor/shared/component.h"

namespace {

using hbtest::HostBindingTest;
using platform::com::Ptr;

const std::vector<std::pair<std::string, std::string>> kClasses = {
    {"Velumor.VelumorMainViewClass", "VelumorMainViewForm"},
    {"Velumor.VelumorDiagViewClass", "VelumorDiagViewForm"},
    {"Velumor.VelumorSimulationClass", "VelumorSimulationForm"},
    {"Velumor.VelumorDisplayTrendClass", "VelumorDisplayTrendForm"},
    {"Velumor.VelumorDisplayAnalogClass", "VelumorDisplayAnalogForm"},
    {"Velumor.VelumorDisplayBarClass", "VelumorDisplayBarForm"},
    {"Velumor.VelumorDisplayDigitalClass", "VelumorDisplayDigitalForm"},
    {"Velumor.VelumorAlwaysView", "VelumorAlwaysViewForm"},
};

TEST(ServerModuleTest, ServesExactlyTheEightViewClasses) {
  std::vector<std::string> expected;
  for (const auto& [progId, form] : kClasses) expected.push_back(progId);
  EXPECT_EQ(velumor::host_binding::serverModule().progIds(), expected);
  EXPECT_EQ(velumor::host_binding::serverModule().libraryName(), "libvelumor.so");
  EXPECT_EQ(&velumor::host_binding::serverModule().liveCount(), &velumor::shared::componentLiveCount());
}

TEST_F(HostBindingTest, EveryClassMakesAViewThatOwnsItsWindow) {
  const int64_t baseline = velumor::shared::componentLiveCount().value();
  for (const auto& [progId, formName] : kClasses) {
    SCOPED_TRACE(progId);
    platform::com::ClassFactory* raw = nullptr;
    ASSERT_EQ(velumor::host_binding::getClassObject(progId.c_str(), &raw), platform::com::hr::Ok);
    Ptr<platform::com::ClassFactory> factory(raw);
    raw->Release();                                                      // the Ptr holds it now
    EXPECT_EQ(velumor::host_binding::serverModule().canUnloadNow(), 1);  // a held factory keeps the library

    Ptr<platform::com::Unknown> object = factory->createInstance();
    factory.reset();
    Ptr<tolvar::View> view = platform::com::queryInterface<tolvar::View>(object);
    ASSERT_NE(view, nullptr);
    auto* owner = dynamic_cast<platform::ui::WindowOwner*>(view.get());
    ASSERT_NE(owner, nullptr);
    ASSERT_NE(owner->ownedWindow(), nullptr);
    EXPECT_EQ(owner->ownedWindow()->name(), formName);
    EXPECT_EQ(velumor::host_binding::serverModule().canUnloadNow(), 1);

    ASSERT_EQ(view->SetAppletItemManagRef(1, host), 0);
    ASSERT_EQ(view->Show(), 0);
    ASSERT_EQ(view->NotifyChanged(3, false, 0, 0), 0);
    hbtest::run(5);
    ASSERT_EQ(view->Destroy(), 0);
    EXPECT_EQ(velumor::host_binding::serverModule().canUnloadNow(), 1);  // the host still holds the view
    view.reset();
    object.reset();
    EXPECT_EQ(velumor::shared::componentLiveCount().value(), baseline);
  }
  if (baseline == 0) {
    EXPECT_EQ(velumor::host_binding::serverModule().canUnloadNow(), 0);
  }
}

TEST(ServerModuleTest, UnknownClassIsNotRegistered) {
  platform::com::ClassFactory* raw = reinterpret_cast<platform::com::ClassFactory*>(1);
  EXPECT_EQ(velumor::host_binding::getClassObject("Velumor.NoSuchClass", &raw),
            platform::com::hr::ClassNotRegistered);
  EXPECT_EQ(raw, nullptr);
  // ProgIDs match without regard to case.
  ASSERT_EQ(velumor::host_binding::getClassObject("velumor.velumoralwaysview", &raw), platform::com::hr::Ok);
  raw->Release();
}

}  // namespace
