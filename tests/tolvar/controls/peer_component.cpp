// Stands for a component library: it makes the wrappers from the header alone, built with
// hidden symbols and without the host's controls, as libvelumor is.
#include "tolvar/controls/form_ref.h"

__attribute__((visibility("default"))) platform::com::Variant peerFormArgument(platform::ui::Form& form) {
  return platform::com::Variant(tolvar::controls::makeFormRef(form));
}

__attribute__((visibility("default"))) platform::com::Variant peerObjectArgument(
    platform::com::Ptr<tolvar::AppletItemManager> aim) {
  return platform::com::Variant(tolvar::controls::makeObjectRef(aim));
}
