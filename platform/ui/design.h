#pragma once
// The parsed form of a window design file (design_format.md).
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/export.h"
#include "platform/com/variant.h"
#include "platform/ui/controls.h"

namespace platform::ui {

struct DesignControl {
  std::string name;
  int32_t index = -1;
  std::string type;    // a ControlType name, or a user control class
  std::string progId;  // user controls only
  std::string container;
  int32_t containerIndex = -1;
  std::vector<std::pair<std::string, platform::com::Variant>> props;  // in file order
  std::vector<Tab> tabs;
  std::vector<Panel> panels;  // pictures resolved at load
  std::vector<std::string> panelPictures;
  std::vector<std::pair<std::string, std::string>> images;  // key, picture source
};

struct Design {
  std::string formName;
  std::vector<std::pair<std::string, platform::com::Variant>> formProps;
  std::vector<DesignControl> controls;
};

// Raises a run-time error (380) naming the problem for a malformed design.
PLAT_API Design parseDesign(const std::string& json);
// The parsed design of `json`, shared by every window made from the same text, so that the
// windows of one form class parse their design once. Another text (an edited design) is
// parsed anew; a malformed one raises its error on every call and is not kept.
PLAT_API std::shared_ptr<const Design> sharedDesign(const std::string& json);
// "&H80000005&", "&HFF" and plain numbers as a Long; other text unchanged.
PLAT_API platform::com::Variant designValue(const platform::com::Variant& v);

}  // namespace platform::ui
