#pragma once
// What the objects a session hands out (item manager, frames) hold on to it: a link the session
// cuts when it ends, so that a view still holding such an object gets a failure status from it
// instead of reaching a session that is gone.
#include <memory>

namespace tolvar::sim {

class HostSession;

struct SessionLink {
  HostSession* session = nullptr;
};

using SessionLinkPtr = std::shared_ptr<SessionLink>;

}  // namespace tolvar::sim
