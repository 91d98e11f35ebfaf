#include "platform/com/ref.h"

#include <cassert>

namespace platform::com {

Unknown::Unknown(LiveCount* liveCount) : liveCount_(liveCount) {
  if (liveCount_) liveCount_->increment();
}

Unknown::~Unknown() {
  if (liveCount_) liveCount_->decrement();
}

void Unknown::Release() {
  assert(refs_ > 0 && "Release without a reference");
  if (--refs_ == 0) {
    // A terminator may hand the object out and take it back (a Ptr to itself that
    // lives only inside the destructor); the extra count keeps that from deleting twice.
    refs_ = 1;
    delete this;
  }
}

}  // namespace platform::com
