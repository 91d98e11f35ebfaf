#pragma once
// The scripted-session view of the simulated host.
#include "apps/host_core/host_api.h"
#include "tolvar/sim/dd/device_data.h"
#include "tolvar/sim/host_session.h"

namespace host_core {

class SimulatedHost : public HostApi {
 public:
  explicit SimulatedHost(tolvar::sim::HostSession& session) : s_(session) {}
  platform::com::Ptr<tolvar::View> openView(const std::string& progId, std::string& error) override {
    return s_.openView(progId, error);
  }
  void destroyView(const platform::com::Ptr<tolvar::View>& view) override { s_.destroyView(view); }
  std::vector<platform::com::Ptr<tolvar::View>> hostOpenedViews() override { return s_.hostOpenedViews(); }
  bool setItem(const std::string& name, const platform::com::Variant& value, bool shadowOnly,
               std::string& error) override {
    return s_.setItem(name, value, shadowOnly, error);
  }
  bool setBytes(const std::string& name, const platform::com::ByteArray& octets,
                std::string& error) override {
    return s_.setBytes(name, octets, error);
  }
  std::optional<platform::com::Variant> itemValue(const std::string& name) override {
    return s_.itemValue(name);
  }
  std::string itemsJson() override { return s_.itemsJson(); }
  bool frame(const std::string& operation, const std::vector<std::string>& args, std::string& result,
             std::string& error) override {
    return s_.frame(operation, args, result, error);
  }
  bool scenario(const std::string& name, std::string& error) override { return s_.scenario(name, error); }
  bool injectResponse(const std::string& record, uint8_t code, std::string& error) override {
    // A misspelt record would otherwise wait for a run that never comes.
    if (!s_.deviceData().findRecord(record)) {
      error = "There is no record \"" + record + "\"";
      return false;
    }
    s_.injectResponse(record, code);
    return true;
  }
  std::vector<std::string> takeHostMessages() override { return s_.takeHostMessages(); }

 private:
  tolvar::sim::HostSession& s_;
};

}  // namespace host_core
