#pragma once
// The scripted-session view of the simulated host.
#include "apps/host_core/host_api.h"
#include "tolvar/sim/dd/device_data.h"
#include "tolvar/sim/host_session.h"

namespace host_core {

class SimulatedHost : public HostApi {
 public:
  explicit SimulatedHost(tolvar::sim::HostSession& session) : s_(session) {}
  Result<platform::com::Ptr<tolvar::View>> openView(const std::string& progId) override {
    return s_.openView(progId);
  }
  void destroyView(const platform::com::Ptr<tolvar::View>& view) override { s_.destroyView(view); }
  std::vector<platform::com::Ptr<tolvar::View>> hostOpenedViews() override { return s_.hostOpenedViews(); }
  void endSession() override { s_.endSession(); }
  Status setItem(const std::string& name, const platform::com::Variant& value, bool shadowOnly) override {
    return s_.setItem(name, value, shadowOnly);
  }
  Status setBytes(const std::string& name, const platform::com::ByteArray& octets) override {
    return s_.setBytes(name, octets);
  }
  std::optional<platform::com::Variant> itemValue(const std::string& name) override {
    return s_.itemValue(name);
  }
  std::string itemsJson() override { return s_.itemsJson(); }
  Result<std::string> frame(const std::string& operation, const std::vector<std::string>& args) override {
    return s_.frame(operation, args);
  }
  Status scenario(const std::string& name) override { return s_.scenario(name); }
  Status injectResponse(const std::string& record, uint8_t code) override {
    // A misspelt record would otherwise wait for a run that never comes.
    if (!s_.deviceData().findRecord(record))
      return Status::fail(Reason::NotFound, "There is no record \"" + record + "\"");
    s_.injectResponse(record, code);
    return {};
  }
  std::vector<std::string> takeHostMessages() override { return s_.takeHostMessages(); }

 private:
  tolvar::sim::HostSession& s_;
};

}  // namespace host_core
