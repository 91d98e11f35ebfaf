#pragma once
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/export.h"
#include "platform/com/ref.h"
#include "platform/com/registry.h"
#include "platform/com/server.h"

namespace platform::com {

// Creates objects by ProgID: first the classes the host registered in-process
// (registerBuiltin), then the class registry file, whose library it loads with dlopen
// (once per library, kept open) and asks for the class object. Every failure raises
// error 429 with a text that says what is missing: "Cannot create object 'X': ...".
class PLAT_API ServerLoader {
 public:
  explicit ServerLoader(std::filesystem::path registryPath = ClassRegistry::defaultPath());
  ~ServerLoader();  // libraries stay loaded: objects made from them may outlive the loader
  ServerLoader(const ServerLoader&) = delete;
  ServerLoader& operator=(const ServerLoader&) = delete;

  const std::filesystem::path& registryPath() const { return registryPath_; }

  // A class served by the host itself ("GenericView.GenericViewClass"); replaces an earlier one
  // of the same ProgID (matched without regard to case) and takes precedence over the registry.
  void registerBuiltin(std::string progId, Ptr<ClassFactory> factory);
  void registerBuiltin(std::string progId, std::function<Ptr<Unknown>()> create);
  bool unregisterBuiltin(std::string_view progId);

  // Whether createObject could find the class (builtin or in the registry file); loads nothing.
  bool knows(std::string_view progId) const;

  // The registry file is read at each call, so registrations made meanwhile are seen.
  Ptr<Unknown> createObject(std::string_view progId);

  // Unloads `library` when it is loaded and its PlatCanUnloadNow answers 0; true when unloaded.
  bool tryUnload(const std::filesystem::path& library);
  // The libraries loaded now, as absolute paths.
  std::vector<std::filesystem::path> loadedLibraries() const;

 private:
  struct Builtin {
    std::string progId;
    Ptr<ClassFactory> factory;
  };
  void* openLibrary(const std::filesystem::path& library, std::string_view progId);
  std::filesystem::path resolveLibrary(const std::filesystem::path& library) const;

  std::filesystem::path registryPath_;
  std::vector<Builtin> builtins_;
  std::map<std::filesystem::path, void*> libraries_;
};

// Object creation by ProgID for the whole process, as a component's CreateObject reaches it:
// the host installs its loader at start (setProcessLoader) and takes it away before it goes
// (setProcessLoader(nullptr)). Error 429 while none is installed.
PLAT_API void setProcessLoader(ServerLoader* loader);
PLAT_API ServerLoader* processLoader();
PLAT_API Ptr<Unknown> createProcessObject(std::string_view progId);

}  // namespace platform::com
