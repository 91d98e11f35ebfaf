#pragma once
// The host's applet interfaces: the contract between the host and every view component.
// Every operation returns a Long status in its last out argument (0 = done); a failing call
// raises platform::com::RuntimeError carrying its result code.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/export.h"
#include "platform/com/ref.h"
#include "platform/com/variant.h"

namespace tolvar {

using platform::com::Ptr;
using platform::com::Variant;

class AppletItemManager;
class DeviceDescription;
class HostFrame;

// Implemented by every view class of a component; the host drives its windows through it.
class PLAT_API View : public platform::com::Unknown {
 public:
  virtual int32_t SetAppletItemManagRef(int32_t lViewHandle2, Ptr<AppletItemManager> AIMRef) = 0;
  virtual int32_t Show() = 0;
  virtual int32_t Hide() = 0;
  virtual int32_t Destroy() = 0;
  virtual int32_t NotifyChanged(int32_t lAppletItemHandle, bool bShadow, int32_t lState,
                                int32_t lUserLong) = 0;

 protected:
  using Unknown::Unknown;
};

// One enumeration entry as the device description hands it over.
struct EnumEntry {
  int32_t value = 0;
  std::string text;
};

// The host's item manager: every value, state and request of a view passes through it.
class PLAT_API AppletItemManager : public platform::com::Unknown {
 public:
  virtual void ReleaseView(Ptr<View> view, int32_t& status) = 0;
  virtual void GetDDObject(Ptr<DeviceDescription>& dd, int32_t& status) = 0;
  virtual void GetFrame(Ptr<HostFrame>& frame, int32_t& status) = 0;
  virtual void RegisterItem(const std::string& sName, bool bFlag, int32_t lViewHandle, int32_t& lItemHandle,
                            int32_t lUserLong, int32_t lMode, int32_t& status) = 0;
  virtual void UnadviseItem(const Variant& vViewHandle, int32_t lItemHandle, bool bFlag, int32_t& status) = 0;
  virtual void GetValueEx(int32_t lItemHandle, double& dValue, bool bFlag, int32_t& status) = 0;
  virtual void GetValue(int32_t lItemHandle, double& dValue, int32_t& status) = 0;
  virtual void GetShadowValue(int32_t lItemHandle, double& dValue, int32_t& status) = 0;
  virtual void SetValue(int32_t lItemHandle, double dValue, int32_t& status) = 0;
  virtual void GetLongValue(int32_t lItemHandle, int32_t& lValue, int32_t& status) = 0;
  virtual void GetSingleValue(int32_t lItemHandle, float& sngValue, bool bFlag, int32_t& status) = 0;
  virtual void SetSingleValue(int32_t lItemHandle, float sngValue, int32_t& status) = 0;
  // Fills the caller's array from its lower bound upward with the item's octets.
  virtual void GetArrayValue(int32_t lItemHandle, platform::com::ByteArray& octets, bool bFlag,
                             int32_t& status) = 0;
  virtual void SetArrayValue(int32_t lItemHandle, const platform::com::ByteArray& octets,
                             int32_t& status) = 0;
  virtual void GetString(int32_t lItemHandle, std::string& sValue, bool bFlag, int32_t& status) = 0;
  virtual void GetStringNoFlag(int32_t lItemHandle, std::string& sValue, int32_t& status) = 0;
  virtual void SetString(int32_t lItemHandle, const std::string& sValue, int32_t& status) = 0;
  virtual void GetBoolValue(int32_t lItemHandle, bool& bValue, int32_t& status) = 0;
  virtual void SetBoolValue(int32_t lItemHandle, bool bValue, int32_t& status) = 0;
  virtual void GetValueText(int32_t lItemHandle, std::string& sText, bool bFlag, int32_t& status) = 0;
  virtual void GetNamedValue(const std::string& sName, Variant& vValue, int32_t& status) = 0;

 protected:
  using Unknown::Unknown;
};

// The device description. The menu functions "fncGetGeneralString", "fncNumberOfEntries",
// "fncGetFirstEntryHandle", "fncGetNextEntryHandle" and "fncGetMenuData" are reached by name
// through the Dispatch side.
class PLAT_API DeviceDescription : public platform::com::Dispatch {
 public:
  virtual void GetDeviceProperty(const std::string& sName, std::string& sValue, int32_t& status) = 0;
  virtual void GetObjectCount(const std::string& sKind, int32_t& lCount, int32_t& status) = 0;
  virtual void GetFirstObject(const std::string& sKind, int32_t& lIter, int32_t& status) = 0;
  virtual void GetNextObject(int32_t& lIter, int32_t& status) = 0;
  virtual void FindObject(const std::string& sKind, const std::string& sName, int32_t& lHandle,
                          int32_t& status) = 0;
  virtual void GetObjectName(int32_t lIter, std::string& sName, int32_t& status) = 0;
  // Six outputs each; what they mean for each kind of object is the host's documented choice.
  virtual void GetObjectInfo(int32_t lHandle, Variant& v1, Variant& v2, Variant& v3, Variant& v4, Variant& v5,
                             Variant& v6, int32_t& status) = 0;
  virtual void GetObjectInfo2(int32_t lHandle, Variant& v1, Variant& v2, Variant& v3, Variant& v4,
                              Variant& v5, Variant& v6, int32_t& status) = 0;
  virtual void GetObjectInfo3(int32_t lHandle, Variant& v1, Variant& v2, Variant& v3, Variant& v4,
                              Variant& v5, Variant& v6, int32_t& status) = 0;
  virtual void GetEnumeration(int32_t lEnumHandle, std::string& sName, std::vector<EnumEntry>& entries,
                              int32_t& status) = 0;

 protected:
  using Dispatch::Dispatch;
};

// The host frame: fetched per command and released after it. "OpenFromDatabase",
// "SaveAsToDatabase" and the device menu's functions are reached by name.
class PLAT_API HostFrame : public platform::com::Dispatch {
 public:
  virtual void Connect(int32_t lParam, int32_t& status) = 0;
  virtual void SetAddress(int32_t lParam, int32_t& status) = 0;
  virtual void Disconnect(int32_t lParam, int32_t& status) = 0;
  virtual void LoadFromDevice(int32_t lParam, int32_t& status) = 0;
  virtual void LoadFromDatabase(int32_t lParam, int32_t& status) = 0;
  virtual void SaveToDatabase(int32_t lParam, int32_t& status) = 0;
  virtual void StartSequence(const std::string& sName, int32_t& lResult, int32_t& status) = 0;
  virtual void AdjustSequence(const std::string& sName, int32_t& lResult, int32_t& status) = 0;
  virtual void OpenView(const std::string& sProgId, int32_t& status) = 0;

 protected:
  using Dispatch::Dispatch;
};

// A utility class of the applet library, created by its ProgID.
inline constexpr char kAppletUtilityProgId[] = "TolvarApplet.AppletUtility";
class PLAT_API AppletUtility : public platform::com::Unknown {
 public:
  // Reads `width` bits (at most 32) starting at bit `bitOffset` of `bytes`, the first byte's
  // most significant bit first; `bigEndian` True takes the bytes in order.
  virtual void GetBitField(int32_t& lValue, uint8_t width, bool bigEndian,
                           const platform::com::ByteArray& bytes, int32_t bitOffset, int32_t& status) = 0;

 protected:
  using Unknown::Unknown;
};

// Host result codes.
inline constexpr int32_t kHostBusy = static_cast<int32_t>(0x804A0001u);
inline constexpr int32_t kHostAdjustFinished = static_cast<int32_t>(0x804A0002u);
inline constexpr int32_t kStatusNoSuchItem = static_cast<int32_t>(0x804A0010u);
inline constexpr int32_t kStatusBadHandle = static_cast<int32_t>(0x804A0011u);
inline constexpr int32_t kStatusWrongType = static_cast<int32_t>(0x804A0012u);
inline constexpr int32_t kStatusReadOnly = static_cast<int32_t>(0x804A0013u);
inline constexpr int32_t kStatusNotFound = static_cast<int32_t>(0x804A0014u);

// Communication states of "&&private&&connect".
enum CommState : int32_t {
  Disconnected = 0,
  Connecting = 1,
  Connected = 2,
  Disconnecting = 3,
  Disturbed = 4
};

// Menu-state bits of a "&&Menu_State&&" item.
inline constexpr int32_t kMenuVisible = 1;
inline constexpr int32_t kMenuEnabled = 2;
inline constexpr int32_t kMenuChecked = 4;

}  // namespace tolvar
