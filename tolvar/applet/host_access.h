#pragma once
// What the host's own controls need of the host's item manager beyond the view contract:
// watching an item by name and reading or writing it as the user sees it. Only host code
// (tolvar/controls) uses it; components never do.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/com/export.h"
#include "platform/com/ref.h"
#include "tolvar/applet/applet.h"
#include "tolvar/applet/result.h"

namespace tolvar {

struct ItemDescription {
  bool exists = false;
  std::string
      type;  // "float", "double", "int", "enum", "bitenum", "string", "packed", "date", "bytes", "bool"
  bool readOnly = false;
  std::string label;                   // the item's label text
  std::string unitText;                // the unit as shown (resolved through a unit item when it has one)
  std::string unitItem;                // the unit item's name, "" when fixed or none
  std::vector<EnumEntry> enumeration;  // empty when none
};

// Not reference counted: it is a second face of the item manager object, reached with a
// dynamic_cast from the AppletItemManager the control holds; that reference keeps it alive.
class PLAT_API HostItemAccess {
 public:
  virtual ~HostItemAccess() = default;
  // Names of every item, in the device description's order.
  virtual std::vector<std::string> itemNames() { return {}; }
  // Calls `onChange` after every real change of the item's value (or of its unit item),
  // delivered by the event loop like view notifications. Returns 0 for an unknown item.
  virtual int32_t watchItem(const std::string& name, std::function<void()> onChange) = 0;
  virtual void unwatchItem(int32_t watchId) = 0;
  virtual ItemDescription describeItem(const std::string& name) = 0;
  // The value as the user sees it: numbers formatted, enumerations as their text.
  virtual std::string itemText(const std::string& name) = 0;
  virtual double itemNumber(const std::string& name) = 0;  // NaN when not a number
  // Writes what the user typed or chose; a failure's text is a message for the user: NotFound,
  // Refused (read-only, the host has ended) or InvalidArgument (not a number, out of range...).
  virtual Status setItemFromText(const std::string& name, const std::string& text) = 0;
  virtual Status setItemNumber(const std::string& name, double value) = 0;
};

}  // namespace tolvar
