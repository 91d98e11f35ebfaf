#pragma once
// The component's in-process server: its eight view classes by ProgID. The library exports
// only the four C entry points of platform/com/server.h over this module.
#include <cstdint>

#include "platform/com/server.h"

namespace velumor::host_binding {

// The module with the eight classes, counting in componentLiveCount().
platform::com::ServerModule& serverModule();

// The class object of `progId`. The first request also makes the component's own user
// controls (the VEXAONOFF lamp) available to forms.
int32_t getClassObject(const char* progId, platform::com::ClassFactory** out);

}  // namespace velumor::host_binding
