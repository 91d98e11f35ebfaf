#include "platform/com/server.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/com/registry.h"
#include "platform/com/variant.h"

namespace platform::com {

namespace {

// A factory lives in the library's live count like any object of the library: the library
// must stay loaded while someone holds one.
class ModuleFactory final : public ClassFactory {
 public:
  ModuleFactory(LiveCount& liveCount, ServerModule::Creator create)
      : ClassFactory(&liveCount), create_(std::move(create)) {}
  Ptr<Unknown> createInstance() override { return create_(); }

 private:
  ServerModule::Creator create_;
};

// No exception may leave a C entry point: every failure becomes a result code.
template <class F>
int32_t guarded(F&& f) noexcept {
  try {
    return f();
  } catch (const RuntimeError& e) {
    return e.resultCode();
  } catch (const std::bad_alloc&) {
    return hr::OutOfMemory;
  } catch (...) {
    return hr::Fail;
  }
}

std::filesystem::path registryPathOrDefault(const char* registryPath) {
  if (registryPath && *registryPath) return registryPath;
  return ClassRegistry::defaultPath();
}

}  // namespace

ServerModule::ServerModule(std::string libraryName, LiveCount& liveCount)
    : libraryName_(std::move(libraryName)), liveCount_(liveCount) {}

void ServerModule::addClass(std::string progId, std::string clsid, Creator create) {
  classes_.push_back(Class{std::move(progId), std::move(clsid), std::move(create)});
}

std::vector<std::string> ServerModule::progIds() const {
  std::vector<std::string> out;
  for (const Class& c : classes_) out.push_back(c.progId);
  return out;
}

const ServerModule::Class* ServerModule::findClass(std::string_view progId) const {
  for (const Class& c : classes_) {
    if (equalsNoCase(c.progId, progId)) return &c;
  }
  return nullptr;
}

int32_t ServerModule::getClassObject(const char* progId, ClassFactory** out) {
  if (!out) return hr::Pointer;
  *out = nullptr;
  if (!progId) return hr::InvalidArgument;
  return guarded([&] {
    const Class* c = findClass(progId);
    if (!c) return hr::ClassNotRegistered;
    Ptr<ClassFactory> factory = makeObject<ModuleFactory>(liveCount_, c->create);
    factory->AddRef();  // the caller's reference
    *out = factory.get();
    return hr::Ok;
  });
}

int32_t ServerModule::canUnloadNow() const {
  return liveCount_.value() == 0 ? 0 : 1;
}

int32_t ServerModule::registerServer(const char* registryPath, const char* libraryPath) {
  if (!libraryPath || !*libraryPath) return hr::InvalidArgument;
  return guarded([&] {
    ClassRegistry registry(registryPathOrDefault(registryPath));
    registry.load();
    // An absolute path, so that the host finds the library from any working folder.
    const std::filesystem::path library = std::filesystem::absolute(libraryPath).lexically_normal();
    for (const Class& c : classes_) registry.add(c.progId, ClassRegistry::Entry{library, c.clsid});
    registry.save();
    return hr::Ok;
  });
}

int32_t ServerModule::registerServerFrom(const char* registryPath, const char* libraryPath,
                                         const void* anchor) {
  if (libraryPath && *libraryPath) return registerServer(registryPath, libraryPath);
  std::string self;
  const int32_t found = guarded([&] {
    self = libraryPathOf(anchor);
    return self.empty() ? hr::Fail : hr::Ok;
  });
  if (hr::failed(found)) return found;
  return registerServer(registryPath, self.c_str());
}

int32_t ServerModule::unregisterServer(const char* registryPath) {
  return guarded([&] {
    ClassRegistry registry(registryPathOrDefault(registryPath));
    registry.load();
    bool changed = false;
    for (const Class& c : classes_) changed = registry.remove(c.progId) || changed;
    if (changed) registry.save();
    return hr::Ok;
  });
}

std::string ServerModule::libraryPathOf(const void* address) {
  Dl_info info{};
  if (!address || ::dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname) return {};
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::weakly_canonical(info.dli_fname, ec);
  return ec ? std::string(info.dli_fname) : p.string();
}

}  // namespace platform::com
