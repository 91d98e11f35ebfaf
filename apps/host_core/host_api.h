#pragma once
// What a scripted or interactive session needs of the simulated host. Every operation that can
// fail answers with a tolvar::Status or Result: a reason and a text that names what failed
// (the item, the record, the class, the operation), ready to show the user as it stands.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "tolvar/applet/applet.h"
#include "tolvar/applet/result.h"

namespace host_core {

using tolvar::Reason;
using tolvar::Result;
using tolvar::Status;

class HostApi {
 public:
  virtual ~HostApi() = default;
  // Creates the view class by ProgID, hands it the item manager and shows it.
  virtual Result<platform::com::Ptr<tolvar::View>> openView(const std::string& progId) = 0;
  // Destroys and releases a view the session opened.
  virtual void destroyView(const platform::com::Ptr<tolvar::View>& view) = 0;
  // Views the host opened itself (the frame's OpenView, the device menu), newest last.
  virtual std::vector<platform::com::Ptr<tolvar::View>> hostOpenedViews() = 0;
  // The host's own end of the session: every view still open is destroyed, newest first.
  virtual void endSession() {
    const auto views = hostOpenedViews();
    for (auto it = views.rbegin(); it != views.rend(); ++it) destroyView(*it);
  }
  // Host-side writes: a number or text into value and shadow value, or the shadow only.
  virtual Status setItem(const std::string& name, const platform::com::Variant& value, bool shadowOnly) = 0;
  virtual Status setBytes(const std::string& name, const platform::com::ByteArray& octets) = 0;
  virtual std::optional<platform::com::Variant> itemValue(const std::string& name) = 0;
  virtual std::string itemsJson() = 0;
  // A HostFrame operation as a view would call it; the value is the text to print.
  virtual Result<std::string> frame(const std::string& operation, const std::vector<std::string>& args) = 0;
  virtual Status scenario(const std::string& name) = 0;
  // The device answers the next run of `record` with response `code` instead of running it.
  // A host without a simulated device cannot do that.
  virtual Status injectResponse(const std::string& record, uint8_t code) {
    (void)record;
    (void)code;
    return Status::fail(Reason::Unsupported, "this host cannot inject response codes");
  }
  // Messages the host would show the user (database errors...), taken once.
  virtual std::vector<std::string> takeHostMessages() { return {}; }
};

}  // namespace host_core
