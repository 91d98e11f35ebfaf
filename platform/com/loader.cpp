#include "platform/com/loader.h"

#include <dlfcn.h>

#include "platform/com/error.h"
#include "platform/com/variant.h"

namespace platform::com {

namespace {

class FunctionFactory final : public ClassFactory {
 public:
  explicit FunctionFactory(std::function<Ptr<Unknown>()> create) : create_(std::move(create)) {}
  Ptr<Unknown> createInstance() override { return create_(); }

 private:
  std::function<Ptr<Unknown>()> create_;
};

[[noreturn]] void cannotCreate(std::string_view progId, const std::string& reason,
                               int32_t resultCode = hr::fromErrorNumber(err::CannotCreateObject)) {
  throw RuntimeError(err::CannotCreateObject, "Cannot create object '" + std::string(progId) + "': " + reason,
                     resultCode);
}

std::string dlerrorText() {
  const char* e = ::dlerror();
  return e ? e : "unknown error";
}

}  // namespace

ServerLoader::ServerLoader(std::filesystem::path registryPath) : registryPath_(std::move(registryPath)) {}

ServerLoader::~ServerLoader() = default;

void ServerLoader::registerBuiltin(std::string progId, Ptr<ClassFactory> factory) {
  unregisterBuiltin(progId);
  builtins_.push_back(Builtin{std::move(progId), std::move(factory)});
}

void ServerLoader::registerBuiltin(std::string progId, std::function<Ptr<Unknown>()> create) {
  registerBuiltin(std::move(progId), Ptr<ClassFactory>(makeObject<FunctionFactory>(std::move(create))));
}

bool ServerLoader::unregisterBuiltin(std::string_view progId) {
  for (auto it = builtins_.begin(); it != builtins_.end(); ++it) {
    if (equalsNoCase(it->progId, progId)) {
      builtins_.erase(it);
      return true;
    }
  }
  return false;
}

bool ServerLoader::knows(std::string_view progId) const {
  for (const Builtin& b : builtins_) {
    if (equalsNoCase(b.progId, progId)) return true;
  }
  ClassRegistry registry(registryPath_);
  try {
    registry.load();
  } catch (const RuntimeError&) {
    return false;
  }
  return registry.find(progId).has_value();
}

std::filesystem::path ServerLoader::resolveLibrary(const std::filesystem::path& library) const {
  // A relative library path in the registry is taken relative to the registry file.
  std::filesystem::path p = library;
  if (p.is_relative()) p = std::filesystem::absolute(registryPath_).parent_path() / p;
  return p.lexically_normal();
}

void* ServerLoader::openLibrary(const std::filesystem::path& library, std::string_view progId) {
  if (const auto it = libraries_.find(library); it != libraries_.end()) return it->second;
  ::dlerror();
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) cannotCreate(progId, "cannot load library '" + library.string() + "': " + dlerrorText());
  libraries_.emplace(library, handle);
  return handle;
}

Ptr<Unknown> ServerLoader::createObject(std::string_view progId) {
  for (const Builtin& b : builtins_) {
    if (!equalsNoCase(b.progId, progId)) continue;
    Ptr<ClassFactory> factory = b.factory;  // the call may unregister it
    Ptr<Unknown> object = factory->createInstance();
    if (!object) cannotCreate(progId, "the class factory returned no object");
    return object;
  }

  ClassRegistry registry(registryPath_);
  try {
    registry.load();
  } catch (const RuntimeError& e) {
    cannotCreate(progId, e.description());
  }
  const auto entry = registry.find(progId);
  if (!entry)
    cannotCreate(progId, "the class is not registered in '" + registryPath_.string() + "'",
                 hr::ClassNotRegistered);
  if (entry->library.empty()) cannotCreate(progId, "its registry entry names no library");

  const std::filesystem::path library = resolveLibrary(entry->library);
  void* handle = openLibrary(library, progId);
  ::dlerror();
  void* symbol = ::dlsym(handle, GetClassObjectSymbol);
  if (!symbol) {
    cannotCreate(progId, "library '" + library.string() + "' has no entry point " + GetClassObjectSymbol +
                             " (" + dlerrorText() + ")");
  }
  const auto getClassObject = reinterpret_cast<GetClassObjectFn>(symbol);

  ClassFactory* raw = nullptr;
  const int32_t result = getClassObject(std::string(progId).c_str(), &raw);
  if (hr::failed(result) || !raw) {
    if (raw) raw->Release();
    cannotCreate(progId,
                 "library '" + library.string() +
                     "' does not serve the class: " + resultText(hr::failed(result) ? result : hr::Pointer),
                 hr::failed(result) ? result : hr::Pointer);
  }
  Ptr<ClassFactory> factory(raw);
  raw->Release();  // the Ptr holds the reference the entry point handed out
  Ptr<Unknown> object = factory->createInstance();
  if (!object)
    cannotCreate(progId, "the class factory of library '" + library.string() + "' returned no object");
  return object;
}

bool ServerLoader::tryUnload(const std::filesystem::path& library) {
  auto it = libraries_.find(resolveLibrary(library));
  if (it == libraries_.end()) return false;
  ::dlerror();
  const auto canUnload = reinterpret_cast<CanUnloadNowFn>(::dlsym(it->second, CanUnloadNowSymbol));
  // A library that cannot answer stays: unloading it under a live object would crash later.
  if (!canUnload || canUnload() != 0) return false;
  if (::dlclose(it->second) != 0) return false;
  libraries_.erase(it);
  return true;
}

std::vector<std::filesystem::path> ServerLoader::loadedLibraries() const {
  std::vector<std::filesystem::path> out;
  for (const auto& [path, handle] : libraries_) out.push_back(path);
  return out;
}

namespace {
ServerLoader* gProcessLoader = nullptr;
}  // namespace

void setProcessLoader(ServerLoader* loader) {
  gProcessLoader = loader;
}

ServerLoader* processLoader() {
  return gProcessLoader;
}

Ptr<Unknown> createProcessObject(std::string_view progId) {
  if (!gProcessLoader) cannotCreate(progId, "no host serves classes in this process");
  return gProcessLoader->createObject(progId);
}

}  // namespace platform::com
