// The host menu's states that follow the connection.
#include "velumor/host_binding/supervision/supervision.h"

namespace velumor::host_binding {

using namespace supervision;

// Connected: Connect is shown disabled, Disconnect, set address, load from and save to device
// enabled. Slots 5 to 12 do not depend on the connection.
void Supervision::SetMenuStatesConnected() {
  writeMenuState(kMenuConnect, kMenuShownDisabled);
  for (int slot = 1; slot <= menuCount_ && slot < kMenuStateSlots; ++slot)
    writeMenuState(slot, kMenuShownEnabled);
}

void Supervision::SetMenuStatesDisconnected() {
  writeMenuState(kMenuConnect, kMenuShownEnabled);
  for (int slot = 1; slot <= menuCount_ && slot < kMenuStateSlots; ++slot)
    writeMenuState(slot, kMenuShownDisabled);
}

}  // namespace velumor::host_binding
