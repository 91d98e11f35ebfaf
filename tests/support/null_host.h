#pragma once
// An item manager and a view that do nothing and answer every call with success: for tests
// that need one to hand over, and as the base of fakes that answer only what they test.
#include <cstdint>
#include <string>

#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "tolvar/applet/applet.h"

namespace testsupport {

class NullItemManager : public tolvar::AppletItemManager {
 public:
  using Variant = platform::com::Variant;
  using ByteArray = platform::com::ByteArray;

  void ReleaseView(platform::com::Ptr<tolvar::View>, int32_t& s) override { s = 0; }
  void GetDDObject(platform::com::Ptr<tolvar::DeviceDescription>&, int32_t& s) override { s = 0; }
  void GetFrame(platform::com::Ptr<tolvar::HostFrame>&, int32_t& s) override { s = 0; }
  void RegisterItem(const std::string&, bool, int32_t, int32_t&, int32_t, int32_t, int32_t& s) override {
    s = 0;
  }
  void UnadviseItem(const Variant&, int32_t, bool, int32_t& s) override { s = 0; }
  void GetValueEx(int32_t, double&, bool, int32_t& s) override { s = 0; }
  void GetValue(int32_t, double&, int32_t& s) override { s = 0; }
  void GetShadowValue(int32_t, double&, int32_t& s) override { s = 0; }
  void SetValue(int32_t, double, int32_t& s) override { s = 0; }
  void GetLongValue(int32_t, int32_t&, int32_t& s) override { s = 0; }
  void GetSingleValue(int32_t, float&, bool, int32_t& s) override { s = 0; }
  void SetSingleValue(int32_t, float, int32_t& s) override { s = 0; }
  void GetArrayValue(int32_t, ByteArray&, bool, int32_t& s) override { s = 0; }
  void SetArrayValue(int32_t, const ByteArray&, int32_t& s) override { s = 0; }
  void GetString(int32_t, std::string&, bool, int32_t& s) override { s = 0; }
  void GetStringNoFlag(int32_t, std::string&, int32_t& s) override { s = 0; }
  void SetString(int32_t, const std::string&, int32_t& s) override { s = 0; }
  void GetBoolValue(int32_t, bool&, int32_t& s) override { s = 0; }
  void SetBoolValue(int32_t, bool, int32_t& s) override { s = 0; }
  void GetValueText(int32_t, std::string&, bool, int32_t& s) override { s = 0; }
  void GetNamedValue(const std::string&, Variant&, int32_t& s) override { s = 0; }
};

// A view that does nothing: something to hand a window as its ViewRef.
class NullView : public tolvar::View {
 public:
  int32_t SetAppletItemManagRef(int32_t, platform::com::Ptr<tolvar::AppletItemManager>) override { return 0; }
  int32_t Show() override { return 0; }
  int32_t Hide() override { return 0; }
  int32_t Destroy() override { return 0; }
  int32_t NotifyChanged(int32_t, bool, int32_t, int32_t) override { return 0; }
};

}  // namespace testsupport
