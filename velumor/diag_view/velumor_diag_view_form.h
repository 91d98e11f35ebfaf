#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ref.h"
#include "platform/com/variant.h"
#include "platform/ui/form.h"
#include "velumor/diag_view/diag_status.h"
#include "velumor/view_window/test_access.h"
#include "velumor/view_window/view_window.h"

namespace velumor::diag_view {

// The diagnosis window: the device's status bytes decoded into groups of indicator rows
// (Yes, No, Warning, off) under a tab strip, one group at a time.
class VelumorDiagViewForm : public view_window::ViewWindow {
 public:
  VelumorDiagViewForm();

  // The window's traits: caption text 2, help file text 99, the device menu without its
  // own entry, the engineering context's lock of the connection and simulation commands.
  static view_window::ViewWindowTraits traits();

  // ------------------------------------------------------------------ groups and rows

  // One group of the window, in the order of the tab strip's design.
  struct Group {
    std::string_view name;  // "Device": the controls are DiagDeviceFrame, DiagDeviceLabel, ...
    std::string_view key;   // tab key
    int32_t titleId;        // tab caption
    int32_t rowBaseId;      // caption of row i is rowBaseId + i; 0 for the Limits group
  };
  static const std::array<Group, 10>& groups();
  // The group of a tab key (exact comparison), null for any other key.
  static const Group* groupOfKey(std::string_view key);

  // `DiagValue`: what one indicator row shows.
  static constexpr uint8_t kYes = 1;      // error flag set
  static constexpr uint8_t kNo = 2;       // flag clear
  static constexpr uint8_t kWarning = 3;  // warning flag set
  static constexpr uint8_t kOff = 4;      // no such flag on this device variant
  // Tab pictures: indices into DiagImageList.
  static constexpr int32_t kImageError = 1;
  static constexpr int32_t kImageOk = 2;
  static constexpr int32_t kImageWarning = 3;
  static constexpr int32_t kImageOff = 4;

  // Draws one row: the text box shows the value's text in its colours (pale unless the
  // device is connected), the lamp its picture. Either control may be null.
  void SetDiagIndicator(uint8_t Value, platform::ui::Control* Text, platform::ui::Control* Indicator);
  // The same for row `row` of group `group` ("Sensor", 3).
  void setRow(std::string_view group, int32_t row, uint8_t value);
  // The pale form of a colour: every colour byte below 63 raised by 192; system colours
  // become ordinary ones.
  static int32_t ShiftColour(int32_t Colour);

  // The tab's picture (kImageError ... kImageOff) and whether its group exists on the
  // connected device variant. A tab that is not in the strip is left alone.
  void setTabImage(std::string_view key, int32_t image);
  void setTabPresent(std::string_view key, bool present);
  // The picture that sums up a present group, by the rule error, then warning, then OK.
  static int32_t summaryImage(bool anyError, bool anyWarning);

  // Tab selection: keeps the selected tab when its group is present, otherwise goes back
  // to the tab shown before or to the first present one, and shows that group's frame,
  // fitted to the tab strip. Run by the tab strip's click and by the status handlers
  // right after they mark a group absent.
  void MainTab_Click();

  // ------------------------------------------------------------------ device status
  // The decoding of the status items lives in diag_status*.cpp; the dispatch calls these.

  // "HartRevision" reported: the octet arrays and status items of the variant.
  void ApplyDeviceVariant();
  // A record of a status item of either variant, decoded into the rows and tabs (the items the
  // window shows nowhere and those given up at a variant switch are consumed); false for a
  // record of any other item.
  bool HandleStatusRecord(int32_t handle);
  // "LastFieldDeviceStatus" reported; and the Device rows drawn from the kept byte.
  void ShowFieldDeviceStatus();
  void DrawFieldDeviceRows();

 protected:
  void Form_Load() override;
  void Form_Resize() override;
  void Register() override;
  void Dispatch(const view_window::VELUMOR_Notify_Type& record) override;
  void OnConnectionState(int32_t state) override;

 public:
  // The report of every row as the window shows it (diag_report.cpp), and the File menu's
  // Print and Printer Setup.
  std::string BuildDiagReport();
  void MenuPrint_Click();
  void MenuPrinterSetup_Click();
  // The Device group's commands: a double-click on a row asks the device for its status,
  // "Rst." resets its configuration-changed flag, "Sim" opens the simulation view.
  void DiagDeviceLabel_DblClick(int32_t Index);
  void DiagCommand_Click(int32_t Index);

 private:
  template <class>
  friend struct view_window::TestAccess;

  // ------------------------------------------------------------------ state

  // The key of the tab whose frame is shown; only MainTab_Click writes it.
  std::string CurrentTabKey;

  // Handles of the items the window reads itself (0 until registered), beside the kit's
  // connection and data-set transfer handles.
  int32_t HartRevisionHandle = 0;
  int32_t FileNameHandle = 0;
  int32_t LastFieldDeviceStatusHandle = 0;
  // Progress items of the device's other sequences, by their tag's index.
  std::vector<int32_t> SequenceProgressHandles;

  // ------------------------------------------------------------------ status state

  // The device variant, the status octets by octet number (sized per variant), the handles
  // kept for every status item and the last field device status byte drawn.
  DiagStatus Status;
  // The status items' handles as the window shows them: the item's kept handle while it is
  // of the variant registered last, otherwise 0 (the dispatch goes through Status).
  int32_t AddTransmitterStateErrorHandle = 0;
  int32_t AddTransmitterStateStateHandle = 0;
  int32_t A10AddTransmitterStateErrorHandle = 0;
  int32_t A10AddTransmitterStateStateHandle = 0;
  int32_t A10OperatingModeHandle = 0;
  int32_t A10AnalogOutputSaturatedHandle = 0;
  int32_t A10AnalogOutputFixedHandle = 0;
  int32_t A10AddTransmitterStateTStateHandle = 0;
  int32_t A10AddTransmitterStateWarningsHandle = 0;

  // Start-up and shut-down (diag_form_load.cpp).
  void setUpGroups();
  void placeDeviceButtons();

  // Layout (diag_form_layout.cpp).
  void runFitRoutine(std::string_view key);
  void fitGroupFrame(const Group& group);
  void ResizeDiagDeviceFrame();
  void ResizeDiagSensorFrame();
  void ResizeDiagInputFrame();
  void ResizeDiagValueFrame();
  void ResizeDiagAlarmFrame();
  void ResizeDiagLimitsFrame();
  void ResizeDiagTotalizerFrame();
  void ResizeDiagOutputFrame();
  void ResizeDiagConfigFrame();
  void ResizeDiagMemoryFrame();
  bool tabPresent(std::string_view key);
};

}  // namespace velumor::diag_view
