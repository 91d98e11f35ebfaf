#include "velumor/host_binding/supervision/bit_field_utility.h"

#include "platform/com/error.h"
#include "platform/com/loader.h"

namespace velumor::host_binding {

namespace {

// Never destroyed: the last supervision view may go after static destruction has begun.
platform::com::Ptr<tolvar::AppletUtility>& shared() {
  static auto* p = new platform::com::Ptr<tolvar::AppletUtility>();
  return *p;
}

}  // namespace

tolvar::AppletUtility& sharedAppletUtility() {
  platform::com::Ptr<tolvar::AppletUtility>& utility = shared();
  if (!utility) {
    utility = platform::com::queryInterface<tolvar::AppletUtility>(
        platform::com::createProcessObject(tolvar::kAppletUtilityProgId));
    if (!utility)
      platform::com::raise(platform::com::err::CannotCreateObject,
                           std::string(tolvar::kAppletUtilityProgId) + " is not an applet utility");
  }
  return *utility;
}

void resetSharedAppletUtility() {
  shared() = nullptr;
}

}  // namespace velumor::host_binding
