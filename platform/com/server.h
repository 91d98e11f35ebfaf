#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/error.h"
#include "platform/com/export.h"
#include "platform/com/ref.h"

// The in-process server contract. A component library exports exactly four C entry points
// and keeps everything else hidden:
//
//   int32_t PlatGetClassObject(const char* progId, platform::com::ClassFactory** out);
//       The class factory of `progId` (matched without regard to case), AddRef'd into *out;
//       hr::ClassNotRegistered (and *out = nullptr) for a ProgID the library does not serve.
//   int32_t PlatCanUnloadNow();
//       0 when the library may be unloaded, 1 while any of its objects (factories included) lives.
//   int32_t PlatRegisterServer(const char* registryPath, const char* libraryPath);
//       Adds the library's classes to the class registry, leaving other entries alone.
//       A null or empty registryPath means ClassRegistry::defaultPath(); a null or empty
//       libraryPath means the library's own file.
//   int32_t PlatUnregisterServer(const char* registryPath);
//       Removes the library's own classes from the class registry, nothing else.
//
// Each returns hr::Ok or a failure result code; no exception leaves an entry point.
// PLAT_SERVER_ENTRY_POINTS below defines all four over a ServerModule.

namespace platform::com {

class PLAT_API ClassFactory : public Unknown {
 public:
  virtual Ptr<Unknown> createInstance() = 0;

 protected:
  using Unknown::Unknown;
};

using GetClassObjectFn = int32_t (*)(const char* progId, ClassFactory** out);
using CanUnloadNowFn = int32_t (*)();
using RegisterServerFn = int32_t (*)(const char* registryPath, const char* libraryPath);
using UnregisterServerFn = int32_t (*)(const char* registryPath);

inline constexpr char GetClassObjectSymbol[] = "PlatGetClassObject";
inline constexpr char CanUnloadNowSymbol[] = "PlatCanUnloadNow";
inline constexpr char RegisterServerSymbol[] = "PlatRegisterServer";
inline constexpr char UnregisterServerSymbol[] = "PlatUnregisterServer";

// What a component library keeps to implement its entry points: its classes, and the live
// count that every one of its objects reports to.
class PLAT_API ServerModule {
 public:
  using Creator = std::function<Ptr<Unknown>()>;

  ServerModule(std::string libraryName, LiveCount& liveCount);
  ServerModule(const ServerModule&) = delete;
  ServerModule& operator=(const ServerModule&) = delete;

  const std::string& libraryName() const { return libraryName_; }
  LiveCount& liveCount() const { return liveCount_; }

  void addClass(std::string progId, std::string clsid, Creator create);
  std::vector<std::string> progIds() const;

  // The entry points' work; see the contract above. Errors become result codes.
  int32_t getClassObject(const char* progId, ClassFactory** out);
  int32_t canUnloadNow() const;
  int32_t registerServer(const char* registryPath, const char* libraryPath);
  int32_t unregisterServer(const char* registryPath);
  // registerServer, with a null or empty libraryPath meaning the file that holds `anchor`.
  int32_t registerServerFrom(const char* registryPath, const char* libraryPath, const void* anchor);

  // The file of the loaded library that contains `address` (dladdr); empty when unknown.
  static std::string libraryPathOf(const void* address);

 private:
  struct Class {
    std::string progId;
    std::string clsid;
    Creator create;
  };
  const Class* findClass(std::string_view progId) const;

  std::string libraryName_;
  LiveCount& liveCount_;
  std::vector<Class> classes_;
};

}  // namespace platform::com

// Defines the four exported entry points over `moduleFunction()`, a function returning the
// library's ServerModule& (a function-local static avoids initialisation-order trouble).
// A null libraryPath in PlatRegisterServer registers the file this macro was expanded in.
#define PLAT_SERVER_ENTRY_POINTS(moduleFunction)                                                            \
  extern "C" PLAT_API int32_t PlatGetClassObject(const char* progId, ::platform::com::ClassFactory** out) { \
    return (moduleFunction)().getClassObject(progId, out);                                                  \
  }                                                                                                         \
  extern "C" PLAT_API int32_t PlatCanUnloadNow() {                                                          \
    return (moduleFunction)().canUnloadNow();                                                               \
  }                                                                                                         \
  extern "C" PLAT_API int32_t PlatRegisterServer(const char* registryPath, const char* libraryPath) {       \
    return (moduleFunction)().registerServerFrom(registryPath, libraryPath,                                 \
                                                 reinterpret_cast<const void*>(&PlatCanUnloadNow));         \
  }                                                                                                         \
  extern "C" PLAT_API int32_t PlatUnregisterServer(const char* registryPath) {                              \
    return (moduleFunction)().unregisterServer(registryPath);                                               \
  }
