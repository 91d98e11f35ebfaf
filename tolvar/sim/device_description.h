#pragma once
// The device description object views get from GetDDObject: the description file's properties,
// objects, enumerations and device menu, read-only. Walks (GetFirstObject/GetNextObject) carry
// their position in the iterator itself, the handle of the current object, so any number of
// walks may run at once and none leaves anything behind.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "tolvar/applet/applet.h"
#include "tolvar/sim/dd/device_data.h"

namespace tolvar::sim {

// Handles of device-menu entries (the kind "menu" and the fnc* menu functions): the base plus
// the entry's position from 1, far above every object handle.
inline constexpr int32_t kMenuHandleBase = 0x00100000;

class SimDeviceDescription : public DeviceDescription {
 public:
  explicit SimDeviceDescription(std::shared_ptr<const dd::DeviceData> data);

  void GetDeviceProperty(const std::string& sName, std::string& sValue, int32_t& status) override;
  void GetObjectCount(const std::string& sKind, int32_t& lCount, int32_t& status) override;
  void GetFirstObject(const std::string& sKind, int32_t& lIter, int32_t& status) override;
  void GetNextObject(int32_t& lIter, int32_t& status) override;
  void FindObject(const std::string& sKind, const std::string& sName, int32_t& lHandle,
                  int32_t& status) override;
  void GetObjectName(int32_t lIter, std::string& sName, int32_t& status) override;
  void GetObjectInfo(int32_t lHandle, Variant& v1, Variant& v2, Variant& v3, Variant& v4, Variant& v5,
                     Variant& v6, int32_t& status) override;
  void GetObjectInfo2(int32_t lHandle, Variant& v1, Variant& v2, Variant& v3, Variant& v4, Variant& v5,
                      Variant& v6, int32_t& status) override;
  void GetObjectInfo3(int32_t lHandle, Variant& v1, Variant& v2, Variant& v3, Variant& v4, Variant& v5,
                      Variant& v6, int32_t& status) override;
  void GetEnumeration(int32_t lEnumHandle, std::string& sName, std::vector<EnumEntry>& entries,
                      int32_t& status) override;

  // The menu functions, as the Dispatch side serves them by name; each returns 0 on success.
  int32_t fncGetGeneralString(const std::string& name, std::string& text) const;
  int32_t fncNumberOfEntries(const std::string& list, int32_t& count) const;
  int32_t fncGetFirstEntryHandle(const std::string& list, int32_t& handle) const;
  int32_t fncGetNextEntryHandle(int32_t& handle) const;
  int32_t fncGetMenuData(int32_t handle, std::string& state, std::string& caption, std::string& hint,
                         std::string& command, int32_t& number) const;

  int32_t idOfName(std::string_view name) const override;
  Variant invoke(int32_t id, platform::com::InvokeKind kind, std::span<Variant> args) override;

  const dd::DeviceData& data() const { return *data_; }

 private:
  enum class Kind { Object, Record, Sequence, Enumeration, Menu };
  static bool parseKind(const std::string& text, Kind& kind);
  const dd::ObjectDef* objectOf(int32_t handle) const { return data_->objectByHandle(handle); }
  const dd::MenuEntryDef* menuEntry(int32_t handle) const;
  void info(int32_t handle, int which, Variant* out[6], int32_t& status) const;

  std::shared_ptr<const dd::DeviceData> data_;
  platform::com::DispatchTable table_;
};

}  // namespace tolvar::sim
