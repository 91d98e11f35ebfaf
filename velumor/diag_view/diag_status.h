#pragma once
// The device's status as the diagnosis window shows it: the device variant and the status
// items it registers, the octet arrays they fill, the decoding of both variants' octets into
// indicator rows and tab icons, and the eight field device status rows.
//
// Nothing here touches a control. A decoding yields the ordered steps the window performs
// (draw a row, show or hide it, set a tab's icon or present flag, leave an absent tab), so the
// window applies them through its own indicator and tab functions, and a record that cannot be
// decoded in full yields no step at all.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/com/variant.h"
#include "tolvar/applet/applet.h"
#include "velumor/view_window/test_access.h"

namespace velumor::diag_view {

// The ten indicator groups in tab order.
enum class DiagGroup : uint8_t {
  Device,
  Sensor,
  Input,
  Value,
  Alarm,
  Limits,
  Totalizer,
  Output,
  Config,
  Memory
};
inline constexpr int kDiagGroupCount = 10;

// "DiagDeviceKey" ... "DiagMemoryKey".
std::string_view diagTabKey(DiagGroup g);
// "DiagDevice" ... "DiagMemory": the row arrays are this & "Label", "Text", "ONOFF".
std::string_view diagRowArray(DiagGroup g);
// Rows of the group's arrays (the Limits group has none).
int diagRowCount(DiagGroup g);

// The value one indicator row shows.
enum DiagValue : uint8_t { DiagYes = 1, DiagNo = 2, DiagWarning = 3, DiagOff = 4 };
// Tab images of the window's image list.
enum DiagImage : uint8_t { DiagImageError = 1, DiagImageOk = 2, DiagImageWarning = 3, DiagImageOff = 4 };

// One thing the window does to show a decoded status, in the order the decoding gives.
struct DiagStep {
  enum class Kind : uint8_t {
    TabTag,        // tab's present flag = value != 0
    TabImage,      // tab's image = value
    TabSelection,  // the tab selection runs, so that a tab just marked absent is left
    ShowRow,       // label, text box, indicator Visible = True, in that order
    HideRow,       // the same with False
    DrawRow,       // the row shows DiagValue value
  };
  Kind kind = Kind::DrawRow;
  DiagGroup group = DiagGroup::Device;
  int8_t row = -1;  // rows only
  uint8_t value = 0;

  friend bool operator==(const DiagStep&, const DiagStep&) = default;
};
using DiagSteps = std::vector<DiagStep>;

// What the window offers to show a decoding.
class DiagStatusDrawing {
 public:
  virtual ~DiagStatusDrawing() = default;
  virtual void drawDiagRow(DiagGroup g, int row, uint8_t value) = 0;
  virtual void setDiagRowVisible(DiagGroup g, int row, bool visible) = 0;
  virtual void setDiagTabImage(DiagGroup g, uint8_t image) = 0;
  virtual void setDiagTabPresent(DiagGroup g, bool present) = 0;
  virtual void runDiagTabSelection() = 0;
};
void applyDiagSteps(const DiagSteps& steps, DiagStatusDrawing& drawing);

// The form's three octet arrays, indexed by octet number.
struct StatusOctets {
  platform::com::ByteArray ErrorOctets;
  platform::com::ByteArray StateOctets;
  platform::com::ByteArray WarningOctets;
};

// The decodings on their own. Each checks every octet it reads, those of the other arrays
// that its icon rules read included, before it yields a step: nullopt when one is missing.
std::optional<DiagSteps> decodeErrorOctets(const StatusOctets& o);  // variant 0, error item
std::optional<DiagSteps> decodeStateOctets(const StatusOctets& o);  // variant 0, state item
std::optional<DiagSteps> decodeA10Errors(const StatusOctets& o);    // variant 1, error item
std::optional<DiagSteps> decodeA10TState(const StatusOctets& o);    // variant 1, transmitter state
std::optional<DiagSteps> decodeA10Warnings(const StatusOctets& o);  // variant 1, warnings
// The eight Device rows from the field device status byte, most significant bit first.
DiagSteps fieldDeviceRows(uint8_t fieldDeviceStatus);

// The status items of both variants, in the order the dispatch compares their handles.
enum class StatusItem : uint8_t {
  Error,     // "ADD_TRANSMITTER_STATE_ERROR", variant 0
  State,     // "ADD_TRANSMITTER_STATE_STATE", variant 0
  A10Error,  // "A10_ADD_TRANSMITTER_STATE_ERROR"
  A10State,  // "A10_ADD_TRANSMITTER_STATE_STATE" (no decoding)
  A10OperatingMode,
  A10Saturated,
  A10Fixed,
  A10TState,    // "A10_ADD_TRANSMITTER_STATE_TSTATE"
  A10Warnings,  // "A10_ADD_TRANSMITTER_STATE_WARNINGS"
};
inline constexpr int kStatusItemCount = 9;
std::string_view statusItemName(StatusItem item);

// The device variant, the registered status items and the arrays they fill, and the field
// device status byte: the diagnosis window's status state and its handlers.
class DiagStatus {
 public:
  // "HartRevision" reported: sizes the arrays for the variant, gives up the other variant's
  // status items and registers this variant's. A value that is no variant (not a whole
  // number from 0 to 255 once rounded, or not 0 or 1) changes nothing.
  void ApplyDeviceVariant(tolvar::AppletItemManager& aim, int32_t viewHandle, int32_t itemHandle);

  // A record dispatched by handle: true when it belongs to a status item, kept or given up.
  // A record of the current variant's items is decoded into `drawing`; a record of an item
  // given up at a variant switch (still queued from before) is consumed without decoding.
  // A delivered array that lacks an octet the decoding reads is dropped: nothing is drawn and
  // the array keeps its previous contents.
  bool HandleStatusRecord(tolvar::AppletItemManager& aim, int32_t itemHandle, DiagStatusDrawing& drawing);
  // The handler of one status item, reading it through its kept handle; an item that is not
  // of the variant registered last is left alone.
  void Decode(StatusItem item, tolvar::AppletItemManager& aim, DiagStatusDrawing& drawing);

  // "LastFieldDeviceStatus" reported: the Device icon and rows when the value changed.
  void ShowFieldDeviceStatus(tolvar::AppletItemManager& aim, int32_t itemHandle, DiagStatusDrawing& drawing);
  // The Device rows from the kept byte (also on a change to the connected state).
  void DrawFieldDeviceRows(DiagStatusDrawing& drawing) const;

  // The handle kept for an item (0 until first registered) and whether it is of the variant
  // registered last.
  int32_t handleOf(StatusItem item) const { return handles_[static_cast<size_t>(item)]; }
  bool isActive(StatusItem item) const { return active_[static_cast<size_t>(item)]; }
  // The variant registered last, -1 before the first.
  int deviceVariant() const { return variant_; }

 private:
  template <class>
  friend struct view_window::TestAccess;

  // The octet arrays as last delivered whole, sized for the variant.
  StatusOctets Octets;
  // Last field device status byte drawn.
  uint8_t FieldDeviceStatusByte = 0;
  std::array<int32_t, kStatusItemCount> handles_{};
  std::array<bool, kStatusItemCount> active_{};
  int variant_ = -1;
};

// A host Double as a Byte, halves to even; nullopt when it does not fit (NaN included).
std::optional<uint8_t> hostByte(double v);

}  // namespace velumor::diag_view
