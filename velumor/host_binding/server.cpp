#include "velumor/host_binding/server.h"

#include "velumor/host_binding/velumor_always_view.h"
#include "velumor/host_binding/view_classes.h"
#include "velumor/shared/component.h"
#include "velumor/shared/vexaonoff.h"

namespace velumor::host_binding {

namespace {

template <class T>
platform::com::ServerModule::Creator creator() {
  return [] { return platform::com::Ptr<platform::com::Unknown>(platform::com::makeObject<T>()); };
}

struct Module {
  platform::com::ServerModule server{shared::componentLibraryName(), shared::componentLiveCount()};
  Module() {
    // The class identifiers are this component's own; the host finds classes by ProgID.
    server.addClass("Velumor.VelumorMainViewClass", "{3b6f0e52-7a1d-4c55-9e21-56c0a7d10001}",
                    creator<VelumorMainViewClass>());
    server.addClass("Velumor.VelumorDiagViewClass", "{3b6f0e52-7a1d-4c55-9e21-56c0a7d10002}",
                    creator<VelumorDiagViewClass>());
    server.addClass("Velumor.VelumorSimulationClass", "{3b6f0e52-7a1d-4c55-9e21-56c0a7d10003}",
                    creator<VelumorSimulationClass>());
    server.addClass("Velumor.VelumorDisplayTrendClass", "{3b6f0e52-7a1d-4c55-9e21-56c0a7d10004}",
                    creator<VelumorDisplayTrendClass>());
    server.addClass("Velumor.VelumorDisplayAnalogClass", "{3b6f0e52-7a1d-4c55-9e21-56c0a7d10005}",
                    creator<VelumorDisplayAnalogClass>());
    server.addClass("Velumor.VelumorDisplayBarClass", "{3b6f0e52-7a1d-4c55-9e21-56c0a7d10006}",
                    creator<VelumorDisplayBarClass>());
    server.addClass("Velumor.VelumorDisplayDigitalClass", "{3b6f0e52-7a1d-4c55-9e21-56c0a7d10007}",
                    creator<VelumorDisplayDigitalClass>());
    server.addClass("Velumor.VelumorAlwaysView", "{3b6f0e52-7a1d-4c55-9e21-56c0a7d10008}",
                    creator<VelumorAlwaysView>());
  }
};

}  // namespace

platform::com::ServerModule& serverModule() {
  static Module m;
  return m.server;
}

namespace {

// The component's own user controls are known to the window model from the first class
// request until the library goes, so the registry never holds a factory of unloaded code.
struct ControlRegistration {
  ControlRegistration() { shared::registerVexaOnOff(); }
  ~ControlRegistration() { shared::unregisterVexaOnOff(); }
};

}  // namespace

int32_t getClassObject(const char* progId, platform::com::ClassFactory** out) {
  try {
    static ControlRegistration controls;
  } catch (const platform::com::RuntimeError& e) {
    if (out) *out = nullptr;
    return e.resultCode();
  } catch (...) {
    if (out) *out = nullptr;
    return platform::com::hr::Fail;
  }
  return serverModule().getClassObject(progId, out);
}

}  // namespace velumor::host_binding

// The library's only exported symbols (see exports.map).
extern "C" PLAT_API int32_t PlatGetClassObject(const char* progId, platform::com::ClassFactory** out) {
  return velumor::host_binding::getClassObject(progId, out);
}

extern "C" PLAT_API int32_t PlatCanUnloadNow() {
  return velumor::host_binding::serverModule().canUnloadNow();
}

extern "C" PLAT_API int32_t PlatRegisterServer(const char* registryPath, const char* libraryPath) {
  return velumor::host_binding::serverModule().registerServerFrom(
      registryPath, libraryPath, reinterpret_cast<const void*>(&PlatCanUnloadNow));
}

extern "C" PLAT_API int32_t PlatUnregisterServer(const char* registryPath) {
  return velumor::host_binding::serverModule().unregisterServer(registryPath);
}
