#pragma once
// The frame object GetFrame hands out, one per call. Its early-bound operations and its
// by-name members all go to the session it came from; once that session has ended they answer
// kStatusHostGone.
//
// By name it answers, besides its own operations: "OpenFromDatabase" and "SaveAsToDatabase"
// without arguments (one argument raises error 450, which is how views find out they exist),
// and the device menu's functions ("fncStartForm", "SaveToDevice", ...) with one text argument.
#include <cstdint>
#include <span>
#include <string>

#include "platform/com/dispatch.h"
#include "tolvar/applet/applet.h"
#include "tolvar/sim/session_link.h"

namespace tolvar::sim {

class SimHostFrame : public HostFrame {
 public:
  explicit SimHostFrame(SessionLinkPtr link);

  void Connect(int32_t lParam, int32_t& status) override;
  void SetAddress(int32_t lParam, int32_t& status) override;
  void Disconnect(int32_t lParam, int32_t& status) override;
  void LoadFromDevice(int32_t lParam, int32_t& status) override;
  void LoadFromDatabase(int32_t lParam, int32_t& status) override;
  void SaveToDatabase(int32_t lParam, int32_t& status) override;
  void StartSequence(const std::string& sName, int32_t& lResult, int32_t& status) override;
  void AdjustSequence(const std::string& sName, int32_t& lResult, int32_t& status) override;
  void OpenView(const std::string& sProgId, int32_t& status) override;

  int32_t idOfName(std::string_view name) const override;
  Variant invoke(int32_t id, platform::com::InvokeKind kind, std::span<Variant> args) override;

 private:
  HostSession* session() const { return link_ ? link_->session : nullptr; }
  SessionLinkPtr link_;
  platform::com::DispatchTable table_;
};

}  // namespace tolvar::sim
