#include <dlfcn.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/com/dispatch.h"
#include "platform/com/loader.h"
#include "platform/com/registry.h"
#include "platform/com/server.h"
#include "tests/platform/com/test_support.h"

using namespace platform::com;
using comtest::caught;
using comtest::readText;
using comtest::TempDir;
using comtest::writeText;
using nlohmann::json;

namespace {

const std::filesystem::path kServerLibrary = COM_TEST_SERVER_PATH;
const std::filesystem::path kNoEntryLibrary = COM_TEST_NOENTRY_PATH;

std::string canonicalText(const std::filesystem::path& p) {
  return std::filesystem::weakly_canonical(p).string();
}

// ---------------------------------------------------------------------------------------------
// ServerModule, in process

class Widget : public Unknown {
 public:
  explicit Widget(LiveCount& live) : Unknown(&live) {}
};

struct ModuleFixture : ::testing::Test {
  LiveCount live;
  ServerModule module{"libwidgets.so", live};
  ModuleFixture() {
    module.addClass("Widgets.Round", "{round}", [this] { return Ptr<Unknown>(makeObject<Widget>(live)); });
    module.addClass("Widgets.Square", "{square}", [this] { return Ptr<Unknown>(makeObject<Widget>(live)); });
  }
};

TEST_F(ModuleFixture, ClassObjectsAndUnloadCheck) {
  ClassFactory* raw = reinterpret_cast<ClassFactory*>(&live);  // must be cleared on failure
  EXPECT_EQ(module.getClassObject("Widgets.Triangle", &raw), hr::ClassNotRegistered);
  EXPECT_EQ(raw, nullptr);
  EXPECT_EQ(module.getClassObject("Widgets.Round", nullptr), hr::Pointer);
  EXPECT_EQ(module.getClassObject(nullptr, &raw), hr::InvalidArgument);
  EXPECT_EQ(module.canUnloadNow(), 0);

  ASSERT_EQ(module.getClassObject("widgets.ROUND", &raw), hr::Ok);
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw->refCount(), 1u);       // the caller's reference only
  EXPECT_EQ(module.canUnloadNow(), 1);  // a held factory keeps the library
  Ptr<Unknown> object = raw->createInstance();
  raw->Release();
  EXPECT_EQ(module.canUnloadNow(), 1);  // the object still lives
  object.reset();
  EXPECT_EQ(module.canUnloadNow(), 0);
  EXPECT_EQ(live.value(), 0);
}

TEST_F(ModuleFixture, RegisterAddsOnlyItsClassesAndUnregisterRemovesOnlyThem) {
  TempDir dir;
  const auto path = dir / "registry.json";
  writeText(path, R"({"classes": {"Other.Thing": {"library": "/usr/lib/other.so", "clsid": "{o}"}}})");

  ASSERT_EQ(module.registerServer(path.c_str(), "/opt/w/../w/libwidgets.so"), hr::Ok);
  ClassRegistry reg(path);
  reg.load();
  const std::vector<std::string> all = {"Other.Thing", "Widgets.Round", "Widgets.Square"};
  EXPECT_EQ(reg.progIds(), all);
  EXPECT_EQ(reg.find("Widgets.Round")->library, "/opt/w/libwidgets.so");
  EXPECT_EQ(reg.find("Widgets.Square")->clsid, "{square}");

  ASSERT_EQ(module.unregisterServer(path.c_str()), hr::Ok);
  reg.load();
  EXPECT_EQ(reg.progIds(), std::vector<std::string>{"Other.Thing"});
  EXPECT_EQ(reg.find("Other.Thing")->library, "/usr/lib/other.so");
}

TEST_F(ModuleFixture, RegisterStoresAnAbsoluteLibraryPath) {
  TempDir dir;
  const auto path = dir / "registry.json";
  ASSERT_EQ(module.registerServer(path.c_str(), "lib/libwidgets.so"), hr::Ok);
  ClassRegistry reg(path);
  reg.load();
  const auto library = reg.find("Widgets.Round")->library;
  EXPECT_TRUE(library.is_absolute());
  EXPECT_EQ(library, std::filesystem::current_path() / "lib/libwidgets.so");
  EXPECT_EQ(module.registerServer(path.c_str(), ""), hr::InvalidArgument);
}

TEST_F(ModuleFixture, FailuresBecomeResultCodesAndLoseNothing) {
  TempDir dir;
  const auto path = dir / "registry.json";
  const std::string corrupt = R"({"classes": {"Other.Thing": )";
  writeText(path, corrupt);
  EXPECT_EQ(module.registerServer(path.c_str(), "/w.so"), hr::fromErrorNumber(err::InvalidFileFormat));
  EXPECT_EQ(module.unregisterServer(path.c_str()), hr::fromErrorNumber(err::InvalidFileFormat));
  EXPECT_EQ(readText(path), corrupt);

  // Unregistering from a registry that does not exist changes nothing and creates nothing.
  EXPECT_EQ(module.unregisterServer((dir / "none.json").c_str()), hr::Ok);
  EXPECT_FALSE(std::filesystem::exists(dir / "none.json"));
}

TEST_F(ModuleFixture, NullRegistryPathMeansTheDefault) {
  TempDir dir;
  comtest::EnvGuard env("VELUMOR_REGISTRY", (dir / "default.json").c_str());
  ASSERT_EQ(module.registerServer(nullptr, "/w/libwidgets.so"), hr::Ok);
  ClassRegistry reg(dir / "default.json");
  reg.load();
  EXPECT_TRUE(reg.find("Widgets.Round").has_value());
}

// ---------------------------------------------------------------------------------------------
// ServerLoader through dlopen

struct LoaderFixture : ::testing::Test {
  TempDir dir;
  std::filesystem::path registryPath = dir / "registry.json";

  void registerClass(const std::string& progId, const std::filesystem::path& library) {
    ClassRegistry reg(registryPath);
    reg.load();
    reg.add(progId, {library, ""});
    reg.save();
  }
};

TEST_F(LoaderFixture, UnknownProgId) {
  registerClass("Other.Thing", "/usr/lib/other.so");
  ServerLoader loader(registryPath);
  const RuntimeError e = caught([&] { loader.createObject("No.Such"); });
  EXPECT_EQ(e.number(), err::CannotCreateObject);
  EXPECT_EQ(e.resultCode(), hr::ClassNotRegistered);
  EXPECT_NE(e.description().find("Cannot create object 'No.Such'"), std::string::npos) << e.description();
  EXPECT_NE(e.description().find(registryPath.string()), std::string::npos) << e.description();
  EXPECT_FALSE(loader.knows("No.Such"));
  EXPECT_TRUE(loader.knows("other.thing"));
}

TEST_F(LoaderFixture, MissingLibraryNamesThePathAndTheReason) {
  const auto missing = dir / "libmissing.so";
  registerClass("ComTest.Adder", missing);
  ServerLoader loader(registryPath);
  const RuntimeError e = caught([&] { loader.createObject("ComTest.Adder"); });
  EXPECT_EQ(e.number(), err::CannotCreateObject);
  EXPECT_NE(e.description().find("Cannot create object 'ComTest.Adder'"), std::string::npos);
  EXPECT_NE(e.description().find(missing.string()), std::string::npos) << e.description();
  EXPECT_NE(e.description().find("No such file"), std::string::npos) << e.description();
  EXPECT_TRUE(loader.loadedLibraries().empty());
}

TEST_F(LoaderFixture, MissingEntryPoint) {
  registerClass("ComTest.Adder", kNoEntryLibrary);
  ServerLoader loader(registryPath);
  const RuntimeError e = caught([&] { loader.createObject("ComTest.Adder"); });
  EXPECT_EQ(e.number(), err::CannotCreateObject);
  EXPECT_NE(e.description().find("PlatGetClassObject"), std::string::npos) << e.description();
  EXPECT_NE(e.description().find(kNoEntryLibrary.string()), std::string::npos) << e.description();
  // A library that cannot answer the unload check stays loaded.
  EXPECT_FALSE(loader.tryUnload(kNoEntryLibrary));
}

TEST_F(LoaderFixture, LibraryThatDoesNotServeTheClass) {
  registerClass("ComTest.Unknown", kServerLibrary);
  registerClass("ComTest.Null", kServerLibrary);
  ServerLoader loader(registryPath);
  RuntimeError e = caught([&] { loader.createObject("ComTest.Unknown"); });
  EXPECT_EQ(e.number(), err::CannotCreateObject);
  EXPECT_EQ(e.resultCode(), hr::ClassNotRegistered);
  EXPECT_NE(e.description().find("does not serve"), std::string::npos) << e.description();

  e = caught([&] { loader.createObject("ComTest.Null"); });
  EXPECT_EQ(e.number(), err::CannotCreateObject);
  EXPECT_NE(e.description().find("returned no object"), std::string::npos) << e.description();
  EXPECT_TRUE(loader.tryUnload(kServerLibrary));  // the failed factories were all released
}

TEST_F(LoaderFixture, CorruptRegistryIsReported) {
  writeText(registryPath, "{");
  ServerLoader loader(registryPath);
  const RuntimeError e = caught([&] { loader.createObject("ComTest.Adder"); });
  EXPECT_EQ(e.number(), err::CannotCreateObject);
  EXPECT_NE(e.description().find(registryPath.string()), std::string::npos) << e.description();
  EXPECT_EQ(readText(registryPath), "{");
}

TEST_F(LoaderFixture, RegistersThroughItsEntryPointAndCreatesThroughDlopen) {
  // Self-registration as a registration tool does it: the library names its own file.
  {
    void* handle = ::dlopen(kServerLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    const auto reg = reinterpret_cast<RegisterServerFn>(::dlsym(handle, RegisterServerSymbol));
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg(registryPath.c_str(), nullptr), hr::Ok);
    ::dlclose(handle);
  }
  {
    ClassRegistry registry(registryPath);
    registry.load();
    const auto entry = registry.find("ComTest.Adder");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(canonicalText(entry->library), canonicalText(kServerLibrary));
    EXPECT_EQ(entry->clsid, "{6f1c2a0e-0001-4c6e-9d1a-000000000001}");
  }

  ServerLoader loader(registryPath);
  Ptr<Unknown> object = loader.createObject("comtest.adder");
  ASSERT_TRUE(object);
  Ptr<Dispatch> adder = queryInterface<Dispatch>(object);
  ASSERT_TRUE(adder);
  EXPECT_EQ(adder->call("Add", {Variant(2), Variant(40)}).toLong(), 42);
  Variant args[1] = {Variant(21)};
  adder->invokeByName("Twice", InvokeKind::Method, args);
  EXPECT_EQ(args[0].toLong(), 42);
  EXPECT_EQ(caught([&] { adder->call("Add"); }).number(), err::WrongArgumentCount);

  // One load per library, kept while objects live.
  Ptr<Unknown> second = loader.createObject("ComTest.Adder");
  EXPECT_EQ(loader.loadedLibraries().size(), 1u);
  EXPECT_FALSE(loader.tryUnload(kServerLibrary));
  adder.reset();
  object.reset();
  EXPECT_FALSE(loader.tryUnload(kServerLibrary));
  second.reset();
  EXPECT_TRUE(loader.tryUnload(kServerLibrary));
  EXPECT_TRUE(loader.loadedLibraries().empty());
  EXPECT_FALSE(loader.tryUnload(kServerLibrary));  // already gone

  // Loads again on demand.
  EXPECT_TRUE(loader.createObject("ComTest.Adder"));
  EXPECT_TRUE(loader.tryUnload(kServerLibrary));

  // Unregistration through the library removes only its classes.
  registerClass("Other.Thing", "/usr/lib/other.so");
  void* handle = ::dlopen(kServerLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr);
  const auto unreg = reinterpret_cast<UnregisterServerFn>(::dlsym(handle, UnregisterServerSymbol));
  ASSERT_NE(unreg, nullptr);
  EXPECT_EQ(unreg(registryPath.c_str()), hr::Ok);
  ::dlclose(handle);
  ClassRegistry registry(registryPath);
  registry.load();
  EXPECT_EQ(registry.progIds(), std::vector<std::string>{"Other.Thing"});
}

TEST_F(LoaderFixture, RelativeLibraryPathIsTakenFromTheRegistryFolder) {
  std::filesystem::copy_file(kServerLibrary, dir / "libcopy.so");
  registerClass("ComTest.Adder", "libcopy.so");
  ServerLoader loader(registryPath);
  EXPECT_TRUE(loader.createObject("ComTest.Adder"));
  ASSERT_EQ(loader.loadedLibraries().size(), 1u);
  EXPECT_EQ(loader.loadedLibraries()[0], dir / "libcopy.so");
  EXPECT_TRUE(loader.tryUnload(dir / "libcopy.so"));
}

TEST_F(LoaderFixture, BuiltinClassesComeFirst) {
  registerClass("GenericView.GenericViewClass", dir / "libnotthere.so");
  ServerLoader loader(registryPath);
  LiveCount live;
  int made = 0;
  loader.registerBuiltin("GenericView.GenericViewClass", [&] {
    ++made;
    return Ptr<Unknown>(makeObject<Widget>(live));
  });
  EXPECT_TRUE(loader.knows("genericview.genericviewclass"));
  Ptr<Unknown> view = loader.createObject("genericview.GENERICVIEWCLASS");
  EXPECT_TRUE(view);
  EXPECT_EQ(made, 1);
  EXPECT_TRUE(loader.loadedLibraries().empty());

  loader.registerBuiltin("Host.Nothing", [] { return Ptr<Unknown>(); });
  EXPECT_EQ(caught([&] { loader.createObject("Host.Nothing"); }).number(), err::CannotCreateObject);

  // Without the builtin the registry entry is used, and its missing library is reported.
  EXPECT_TRUE(loader.unregisterBuiltin("GenericView.GenericViewClass"));
  EXPECT_FALSE(loader.unregisterBuiltin("GenericView.GenericViewClass"));
  const RuntimeError e = caught([&] { loader.createObject("GenericView.GenericViewClass"); });
  EXPECT_NE(e.description().find("libnotthere.so"), std::string::npos);
}

}  // namespace
