// libvelumor.so as a host meets it: registered in a class registry, found by ProgID, loaded
// with dlopen, driven through View, and unloaded once nothing of it lives.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/com/loader.h"
#include "platform/com/registry.h"
#include "platform/com/server.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/form.h"
#include "tests/platform/com/test_support.h"
#include "tests/support/fake_host.h"
#include "tolvar/applet/applet.h"

namespace {

namespace fs = std::filesystem;
using comtest::TempDir;
using comtest::writeText;
using platform::com::Ptr;

const fs::path kLibrary = fs::weakly_canonical(VELUMOR_LIBRARY_PATH);

const std::vector<std::string> kProgIds = {
    "Velumor.VelumorMainViewClass",       "Velumor.VelumorDiagViewClass",
    "Velumor.VelumorSimulationClass",     "Velumor.VelumorDisplayTrendClass",
    "Velumor.VelumorDisplayAnalogClass",  "Velumor.VelumorDisplayBarClass",
    "Velumor.VelumorDisplayDigitalClass", "Velumor.VelumorAlwaysView",
};

bool libraryIsLoaded() {
  void* h = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!h) return false;
  ::dlclose(h);
  return true;
}

class ComponentLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The host's controls come from the host; the lamp comes from the library itself.
    fakehost::registerFakeHostControls(/*withLamp=*/false);
    platform::ui::EventLoop::instance().useManualClock();
    writeText(registry, R"({"classes": {"Other.Thing": {"library": "/usr/lib/other.so", "clsid": "{o}"}}})");
  }

  int32_t registerLibrary() {
    void* h = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) return -1;
    auto reg =
        reinterpret_cast<platform::com::RegisterServerFn>(::dlsym(h, platform::com::RegisterServerSymbol));
    const int32_t rc = reg ? reg(registry.c_str(), nullptr) : -1;  // null: the library's own file
    ::dlclose(h);
    return rc;
  }

  TempDir dir;
  fs::path registry = dir / "registry.json";
};

TEST_F(ComponentLibraryTest, ExportsItsEntryPointsAndHidesEverythingElse) {
  void* h = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(h, nullptr) << ::dlerror();
  for (const char* symbol : {platform::com::GetClassObjectSymbol, platform::com::CanUnloadNowSymbol,
                             platform::com::RegisterServerSymbol, platform::com::UnregisterServerSymbol})
    EXPECT_NE(::dlsym(h, symbol), nullptr) << symbol;
  // The component's own functions and classes stay inside.
  EXPECT_EQ(::dlsym(h, "_ZN7velumor12serverModuleEv"), nullptr);
  EXPECT_EQ(::dlsym(h, "_ZN7velumor19componentLiveCountEv"), nullptr);
  ::dlclose(h);
}

TEST_F(ComponentLibraryTest, RegisteredClassesAreFoundByProgIdAndDrivenThroughView) {
  ASSERT_EQ(registerLibrary(), 0);
  platform::com::ClassRegistry reg(registry);
  reg.load();
  EXPECT_EQ(reg.progIds().size(), kProgIds.size() + 1);
  EXPECT_EQ(reg.find("Other.Thing")->library, "/usr/lib/other.so");
  for (const std::string& progId : kProgIds) {
    auto entry = reg.find(progId);
    ASSERT_TRUE(entry) << progId;
    EXPECT_EQ(entry->library, kLibrary);
    EXPECT_FALSE(entry->clsid.empty());
  }

  platform::com::ServerLoader loader(registry);
  for (const std::string& progId : kProgIds) {
    SCOPED_TRACE(progId);
    auto host = platform::com::makeObject<fakehost::FakeItemManager>();
    Ptr<tolvar::View> view = platform::com::queryInterface<tolvar::View>(loader.createObject(progId));
    ASSERT_NE(view, nullptr);
    auto* owner = dynamic_cast<platform::ui::WindowOwner*>(view.get());
    ASSERT_NE(owner, nullptr);
    ASSERT_NE(owner->ownedWindow(), nullptr);

    EXPECT_EQ(view->SetAppletItemManagRef(17, host), 0);
    EXPECT_TRUE(owner->ownedWindow()->isLoaded());
    EXPECT_EQ(view->Show(), 0);
    EXPECT_EQ(view->NotifyChanged(1, false, 0, 0), 0);
    EXPECT_EQ(view->Hide(), 0);
    platform::ui::EventLoop::instance().advance(5);
    EXPECT_EQ(view->Destroy(), 0);
    EXPECT_EQ(host->releasedViews, std::vector<const void*>{view.get()});
    EXPECT_EQ(view->Destroy(), 0);
    EXPECT_EQ(host->log().count("ReleaseView"), 1);
  }
  EXPECT_TRUE(platform::ui::EventLoop::instance().errors().empty());
}

TEST_F(ComponentLibraryTest, LibraryCanUnloadOnlyWhileNoViewLives) {
  ASSERT_EQ(registerLibrary(), 0);
  platform::com::ServerLoader loader(registry);
  auto host = platform::com::makeObject<fakehost::FakeItemManager>();
  Ptr<tolvar::View> view =
      platform::com::queryInterface<tolvar::View>(loader.createObject("Velumor.VelumorMainViewClass"));
  ASSERT_NE(view, nullptr);

  void* h = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(h, nullptr);
  auto canUnload =
      reinterpret_cast<platform::com::CanUnloadNowFn>(::dlsym(h, platform::com::CanUnloadNowSymbol));
  ::dlclose(h);  // the loader's own handle keeps it loaded
  ASSERT_NE(canUnload, nullptr);

  EXPECT_EQ(canUnload(), 1);
  ASSERT_EQ(view->SetAppletItemManagRef(1, host), 0);
  EXPECT_EQ(canUnload(), 1);
  EXPECT_FALSE(loader.tryUnload(kLibrary));
  ASSERT_EQ(view->Destroy(), 0);
  EXPECT_EQ(canUnload(), 1);  // destroyed, but the host still holds the view
  view.reset();
  EXPECT_EQ(canUnload(), 0);

  // Nothing of the component is left: the lamp it made known goes with it.
  EXPECT_TRUE(platform::ui::UserControlRegistry::instance().has("Velumor.VEXAONOFF"));
  ASSERT_TRUE(loader.tryUnload(kLibrary));
  if (!libraryIsLoaded()) {
    EXPECT_FALSE(platform::ui::UserControlRegistry::instance().has("Velumor.VEXAONOFF"));
  }
}

}  // namespace
