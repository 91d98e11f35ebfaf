#pragma once
// The host's item manager as views and the host's own controls see it. Every operation answers
// with a status (0 = done) and never raises for a bad handle, an unknown name or a value that
// does not convert. The object implements two interfaces; its reference count is the one of
// its AppletItemManager side (hold it as Ptr<AppletItemManager>; the controls keep a plain
// pointer to the HostItemAccess side next to that reference).
#include <cstdint>
#include <string>

#include "tolvar/applet/applet.h"
#include "tolvar/applet/host_access.h"
#include "tolvar/sim/session_link.h"

namespace tolvar::sim {

class ItemStore;

class ItemManager : public AppletItemManager, public HostItemAccess {
 public:
  explicit ItemManager(SessionLinkPtr link);

  // --- AppletItemManager
  void ReleaseView(Ptr<View> view, int32_t& status) override;
  void GetDDObject(Ptr<DeviceDescription>& dd, int32_t& status) override;
  void GetFrame(Ptr<HostFrame>& frame, int32_t& status) override;
  void RegisterItem(const std::string& sName, bool bFlag, int32_t lViewHandle, int32_t& lItemHandle,
                    int32_t lUserLong, int32_t lMode, int32_t& status) override;
  void UnadviseItem(const Variant& vViewHandle, int32_t lItemHandle, bool bFlag, int32_t& status) override;
  void GetValueEx(int32_t lItemHandle, double& dValue, bool bFlag, int32_t& status) override;
  void GetValue(int32_t lItemHandle, double& dValue, int32_t& status) override;
  void GetShadowValue(int32_t lItemHandle, double& dValue, int32_t& status) override;
  void SetValue(int32_t lItemHandle, double dValue, int32_t& status) override;
  // Rounds half to even; a value outside the Long range (or not a number) gives kStatusOutOfRange.
  void GetLongValue(int32_t lItemHandle, int32_t& lValue, int32_t& status) override;
  void GetSingleValue(int32_t lItemHandle, float& sngValue, bool bFlag, int32_t& status) override;
  void SetSingleValue(int32_t lItemHandle, float sngValue, int32_t& status) override;
  // The caller's array keeps its lower bound and receives the item's octets from there upward,
  // lowest octet number first; an array without elements takes the item's own octet numbers.
  // A longer array keeps its elements beyond the item's octets.
  void GetArrayValue(int32_t lItemHandle, platform::com::ByteArray& octets, bool bFlag,
                     int32_t& status) override;
  void SetArrayValue(int32_t lItemHandle, const platform::com::ByteArray& octets, int32_t& status) override;
  void GetString(int32_t lItemHandle, std::string& sValue, bool bFlag, int32_t& status) override;
  void GetStringNoFlag(int32_t lItemHandle, std::string& sValue, int32_t& status) override;
  void SetString(int32_t lItemHandle, const std::string& sValue, int32_t& status) override;
  void GetBoolValue(int32_t lItemHandle, bool& bValue, int32_t& status) override;
  void SetBoolValue(int32_t lItemHandle, bool bValue, int32_t& status) override;
  void GetValueText(int32_t lItemHandle, std::string& sText, bool bFlag, int32_t& status) override;
  void GetNamedValue(const std::string& sName, Variant& vValue, int32_t& status) override;

  // --- HostItemAccess
  int32_t watchItem(const std::string& name, std::function<void()> onChange) override;
  void unwatchItem(int32_t watchId) override;
  ItemDescription describeItem(const std::string& name) override;
  std::vector<std::string> itemNames() override;
  std::string itemText(const std::string& name) override;
  double itemNumber(const std::string& name) override;
  Status setItemFromText(const std::string& name, const std::string& text) override;
  Status setItemNumber(const std::string& name, double value) override;

 private:
  // The session's store and the item of `handle`; a status when either is missing.
  ItemStore* store(int32_t& status) const;
  int32_t itemOf(int32_t handle, ItemStore*& s, int32_t& status) const;
  // The same for a write: kStatusReadOnly for an item views may not change.
  int32_t writableItemOf(int32_t handle, ItemStore*& s, int32_t& status) const;
  // A view's (or a control's) write: refused for read-only items, marks the data set dirty
  // when it changed a data-set item.
  int32_t write(ItemStore& s, int32_t index, const Variant& v);
  // The host's own writes by name: the item's index, or why it cannot be written, in the
  // language `langId`; then the write of a checked value.
  Result<int32_t> writableByName(const std::string& name, uint16_t langId) const;
  Status writeChecked(ItemStore& s, int32_t index, const Result<Variant>& value);

  SessionLinkPtr link_;
};

}  // namespace tolvar::sim
