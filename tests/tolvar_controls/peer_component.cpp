// Stands for a component library: it makes the wrappers from the header alone, built with
// hidden symbols and without the host's controls, as libvelumor is.
#include "tolvar/controls/form_ref.h"

__attribute__((visibility("default"))) plat::com::Variant peerFormArgument(plat::ui::Form& form) {
  return plat::com::Variant(tolvar::controls::makeFormRef(form));
}

__attribute__((visibility("default"))) plat::com::Variant peerObjectArgument(
    plat::com::Ptr<tolvar::AppletItemManager> aim) {
  return plat::com::Variant(tolvar::controls::makeObjectRef(aim));
}
