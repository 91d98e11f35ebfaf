#pragma once
// What a scripted or interactive session needs of the simulated host.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "tolvar/applet/applet.h"

namespace host_core {

class HostApi {
 public:
  virtual ~HostApi() = default;
  // Creates the view class by ProgID, hands it the item manager and shows it.
  // Returns null and sets `error` when that fails.
  virtual platform::com::Ptr<tolvar::View> openView(const std::string& progId, std::string& error) = 0;
  // Destroys and releases a view the session opened.
  virtual void destroyView(const platform::com::Ptr<tolvar::View>& view) = 0;
  // Views the host opened itself (the frame's OpenView, the device menu), newest last.
  virtual std::vector<platform::com::Ptr<tolvar::View>> hostOpenedViews() = 0;
  // Host-side writes: a number or text into value and shadow value, or the shadow only.
  virtual bool setItem(const std::string& name, const platform::com::Variant& value, bool shadowOnly,
                       std::string& error) = 0;
  virtual bool setBytes(const std::string& name, const platform::com::ByteArray& octets,
                        std::string& error) = 0;
  virtual std::optional<platform::com::Variant> itemValue(const std::string& name) = 0;
  virtual std::string itemsJson() = 0;
  // A HostFrame operation as a view would call it.
  virtual bool frame(const std::string& operation, const std::vector<std::string>& args, std::string& result,
                     std::string& error) = 0;
  virtual bool scenario(const std::string& name, std::string& error) = 0;
  // The device answers the next run of `record` with response `code` instead of running it.
  // A host without a simulated device cannot do that.
  virtual bool injectResponse(const std::string& record, uint8_t code, std::string& error) {
    (void)record;
    (void)code;
    error = "this host cannot inject response codes";
    return false;
  }
  // Messages the host would show the user (database errors...), taken once.
  virtual std::vector<std::string> takeHostMessages() { return {}; }
};

}  // namespace host_core
